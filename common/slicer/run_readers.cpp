#include "slicer/run_readers.h"

namespace sonde {

int read_bits_fsk(SlicerState& st, WavInput& in, float samples_per_bit, int* bit, int* len) {
    return read_runs(st, in, samples_per_bit, [&](int b, int l) {
        *bit = b;
        *len = l;
        return true;
    });
}

}  // namespace sonde
