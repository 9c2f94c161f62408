#include "rawbit.h"

#include <cmath>

namespace {

// 16-bit mono with the whole period in the input block: the period's
// samples are summed straight from the block. The period ends with the
// first sample whose count reaches bitgrenze (a count below 2^53 less
// bitgrenze is exact, and so is the number of samples to go); false when
// the block does not hold them all.
bool integrate_in_block(RawbitClock& c, WavInput& in, int sign, uint32_t& sum) {
    ByteSource& s = in.src;
    if (in.bits_sample != 16 || in.channels != 1 || in.wav_channel != 0) return false;
    const bool own = c.anchor == RawbitAnchor::own_count;
    const double left = c.bitgrenze - static_cast<double>(own ? c.scount : in.sample_count);
    if (!(left < 64.0)) return false;
    const std::size_t n = left > 1.0 ? static_cast<std::size_t>(std::ceil(left)) : 1;
    if (s.len - s.pos < 2 * n) return false;
    const unsigned char* p = s.data + s.pos;
    uint32_t total = 0;
    for (std::size_t i = 0; i < n; i++)
        total += static_cast<uint32_t>(static_cast<int16_t>(static_cast<uint16_t>(p[2 * i] | p[2 * i + 1] << 8)));
    s.pos += 2 * n;
    if (own) c.scount += n;
    if (in.count_samples) in.sample_count += n;
    sum += static_cast<uint32_t>(sign) * total;
    return true;
}

}  // namespace

bool rawbit_integrate(RawbitClock& c, WavInput& in, int sign, uint32_t& sum) {
    if (integrate_in_block(c, in, sign, sum)) return true;
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
