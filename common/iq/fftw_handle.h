// Owners of FFTW's single-precision buffers and plans (FFTW_ESTIMATE: the
// plan depends on the size and the machine's instruction set, never on a
// timing run, so a run is repeatable).
#pragma once

#include <fftw3.h>

#include <memory>

namespace sonde::iq {

struct FftwFree {
    void operator()(void* p) const { fftwf_free(p); }
};
using FftwBuffer = std::unique_ptr<fftwf_complex[], FftwFree>;

struct FftwPlanDestroy {
    void operator()(fftwf_plan p) const { fftwf_destroy_plan(p); }
};
using FftwPlan = std::unique_ptr<std::remove_pointer_t<fftwf_plan>, FftwPlanDestroy>;

inline FftwBuffer fftw_buffer(int n) {
    return FftwBuffer(static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * static_cast<std::size_t>(n))));
}

// An n-point complex transform from `in` to `out` (FFTW_FORWARD or FFTW_BACKWARD).
inline FftwPlan fftw_plan_1d(int n, fftwf_complex* in, fftwf_complex* out, int sign) {
    return FftwPlan(fftwf_plan_dft_1d(n, in, out, sign, FFTW_ESTIMATE));
}

}  // namespace sonde::iq
