#include "iq/down_converter.h"

#include "iq/fir_design.h"

namespace sonde::iq {

void ddc_init(DownConverter& d, double rate, int decim, double keep_hz, int block) {
    d.rate = rate;
    lo_init(d.lo, block);
    const double out_rate = rate / decim;
    // Passes +-keep_hz; what folds onto it lies beyond out_rate - keep_hz.
    const double stop = out_rate - keep_hz;
    const int taps = kaiser_taps(stop - keep_hz, rate, 60.0);
    fir_init(d.fir, kaiser_lowpass(taps, 0.5 * (stop + keep_hz), rate, 60.0), decim, block);
    d.mixed.assign(2 * static_cast<std::size_t>(block), 0.0f);
}

void ddc_tune(DownConverter& d, double offset_hz) { lo_set(d.lo, offset_hz / d.rate); }

int ddc_run(DownConverter& d, const float* iq, int n, float* out) {
    lo_mix(d.lo, iq, d.mixed.data(), n);
    return fir_run(d.fir, d.mixed.data(), n, out);
}

}  // namespace sonde::iq
