#include "slicer/run_length.h"

#include <cstring>

namespace sonde {

void fill_run_table(SlicerState& st, float samples_per_bit) {
    st.shortest_bit_run = kRunTableSize;
    for (int n = kRunTableSize - 1; n >= 0; n--) {
        st.run_table[n] = whole_bits(static_cast<float>(n) / samples_per_bit);
        if (st.run_table[n] > 0) st.shortest_bit_run = n;
    }
    // Lengths only grow with the distance (each float step rounds
    // monotonically), so the smallest distance for each length is found by
    // bisection over the ordered bit patterns of non-negative floats.
    st.res_step[0] = 0.0f;
    for (int k = 1; k <= kRunTableSize; k++) {
        uint32_t lo = 0, hi = 0x7F7FFFFFu;  // whole_bits(largest float / spb) >= k
        while (lo < hi) {
            const uint32_t mid = lo + (hi - lo) / 2;
            float t;
            std::memcpy(&t, &mid, sizeof t);
            if (whole_bits(t / samples_per_bit) >= k)
                hi = mid;
            else
                lo = mid + 1;
        }
        std::memcpy(&st.res_step[k], &lo, sizeof lo);
    }
    st.res_steps_narrow = st.run_table[kRunTableSize - 1] < kRunTableSize;
    for (int n = 1; n + 1 < kRunTableSize; n++)
        if (st.run_table[n + 1] - st.run_table[n - 1] > 1) st.res_steps_narrow = false;
    for (int n = 1; n + 1 < kRunTableSize; n++) {
        SlicerState::ResRun& r = st.res_run[n];
        r.nf = static_cast<float>(n);
        r.lo = st.run_table[n - 1];
        r.grows = st.run_table[n + 1] > r.lo ? 1 : 0;
        r.step = r.lo < kRunTableSize ? st.res_step[r.lo + 1] : 0.0f;
    }
    st.table_spb = samples_per_bit;
}

}  // namespace sonde
