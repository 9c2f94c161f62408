// The slicer one sample at a time, from any source with read_sample().
#pragma once

#include <cstddef>
#include <cstdint>

#include "io/wav_input.h"
#include "slicer/run_length.h"

namespace sonde {

// Reads one run from source (read_sample(source) delivers the samples: a
// filter in front of the WAV input, for example). Returns 0 with the run's
// level and length in whole bits, or -1 at the end of the data with both
// untouched.
template <class Source>
int read_bits_fsk(SlicerState& st, Source& source, float samples_per_bit, int* bit, int* len) {
    for (;;) {
        uint64_t n = 0;
        int previous;
        int sample = st.last_sample;
        do {
            previous = sample;
            sample = read_sample(source);
            if (sample == kEndOfData) {
                st.last_sample = sample;
                return -1;
            }
            st.par_alt = st.par;
            st.par = sample >= 0 ? 1 : -1;
            n++;
        } while (st.par * st.par_alt > 0);
        st.last_sample = sample;
        slicer_run_length(st, n, previous, sample, samples_per_bit, bit, len);
        if (*len > 0 || !st.skip_zero_runs) return 0;
    }
}

}  // namespace sonde
