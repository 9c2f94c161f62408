#include "rawbit.h"

bool rawbit_integrate(RawbitClock& c, WavInput& in, int sign, uint32_t& sum) {
    if (c.anchor == RawbitAnchor::own_count) {
        do {
            int s = read_signed_sample(in);
            if (s == kEndOfData) return false;
            sum += static_cast<uint32_t>(sign * s);
            c.scount++;
        } while (static_cast<double>(c.scount) < c.bitgrenze);
    } else {
        do {
            int s = read_signed_sample(in);
            if (s == kEndOfData) return false;
            sum += static_cast<uint32_t>(sign * s);
        } while (static_cast<double>(in.sample_count) < c.bitgrenze);
    }
    return true;
}

int read_rawbit(RawbitClock& c, WavInput& in, int inv, int* bit) {
    rawbit_next_period(c, in);
    uint32_t sum = 0;
    if (!rawbit_integrate(c, in, 1, sum)) return -1;
    int b = static_cast<int32_t>(sum) >= 0 ? 1 : 0;
    *bit = inv ? 1 - b : b;
    return 0;
}
