// Moving min/max DC filter: takes a slowly drifting offset out of the
// receiver audio by subtracting the midpoint between the smallest and the
// largest sample of the last 20 bit periods. The output lags the input by
// one sample; the first wlen - 1 samples give 0 while the window fills.
#pragma once

#include <algorithm>
#include <cstdint>

#include "io/wav_input.h"

namespace sonde::pelkin {

constexpr float kDcWindowBits = 20.0f;
// Highest sample rate the filter accepts (a 3200-sample window).
constexpr int kMaxDcSampleRate = 768000;

struct DcFilter {
    int wlen = 0;                // window length in samples
    int* sample_buff = nullptr;  // sample number k lives in slot k mod wlen
    int min = 0;                 // extremes of the window once it has filled
    int max = 0;
    WavInput* in = nullptr;
    // k mod wlen kept incrementally: the slot of sample number next_k.
    uint64_t next_k = 0;
    int next_slot = 0;
    // No sample was ever read past the filter: the window holds exactly the
    // newest wlen samples, so min and max are their true extremes.
    bool whole_stream = true;
    // Work space of dc_filter_block: the window's history and a block of
    // new samples, and the extremes of ever longer stretches of them.
    int16_t* work = nullptr;
};

// Samples dc_filter_block filters in one go.
constexpr int kDcBlock = 4096;

// Window length for a bit period: 20 bits, truncated to whole samples.
inline int dc_window_length(float samples_per_bit) { return static_cast<int>(samples_per_bit * kDcWindowBits); }

// Allocates the zero-filled window; false when that fails.
bool dc_filter_open(DcFilter& f, WavInput& in, int wlen);
void dc_filter_close(DcFilter& f);

// The next filtered sample, or kEndOfData unchanged; the slicer's
// sample-source hook.
inline int read_sample(DcFilter& f) {
    const int s = read_signed_sample(*f.in);
    if (s == kEndOfData || f.sample_buff == nullptr) return s;

    const uint64_t k = f.in->sample_count - 1;
    if (k != f.next_k) {  // samples were read past the filter
        f.whole_stream = false;
        f.next_slot = static_cast<int>(k % static_cast<uint64_t>(f.wlen));
    }
    const int p = f.next_slot;
    f.next_k = k + 1;
    f.next_slot = p + 1 < f.wlen ? p + 1 : 0;
    const int old = f.sample_buff[p];
    f.sample_buff[p] = s;
    const uint64_t w = static_cast<uint64_t>(f.wlen);
    if (k < w - 1) return 0;

    // A departing extreme that no new sample replaces costs a scan, as does
    // the window first filled.
    const bool first_full = k == w - 1;
    if (!first_full && s < f.min)
        f.min = s;
    else if (first_full || old <= f.min)
        f.min = *std::min_element(f.sample_buff, f.sample_buff + f.wlen);
    if (!first_full && s > f.max)
        f.max = s;
    else if (first_full || old >= f.max)
        f.max = *std::max_element(f.sample_buff, f.sample_buff + f.wlen);
    // The sample before s: the output lags the input by one sample.
    return f.sample_buff[p > 0 ? p - 1 : f.wlen - 1] - (f.min + f.max) / 2;
}

// Filters up to max_out samples ahead into out, with exactly the results and
// the state that as many read_sample calls give; 0 at the end of the
// data. Only for readers that take nothing else from the input meanwhile.
int dc_filter_block(DcFilter& f, int* out, int max_out);

}  // namespace sonde::pelkin
