#include "rawbit.h"

#include <cmath>

namespace sonde {

namespace {

// The chosen channel's samples in k whole sample frames at p, summed with
// 32-bit wrap-around.
uint32_t sum_frames(const FrameShape& f, const unsigned char* p, std::size_t k) {
    if (!f.present) return static_cast<uint32_t>(f.absent_value) * static_cast<uint32_t>(k);
    uint32_t total = 0;
    p += f.off;
    if (f.width == 2) {
        for (std::size_t i = 0; i < k; i++, p += f.frame) total += static_cast<uint32_t>(le16_sample(p));
    } else {
        for (std::size_t i = 0; i < k; i++, p += f.frame) total += static_cast<uint32_t>(p[0] - 128);
    }
    return total;
}

// Adds the samples of one period to sum (a 32-bit sum that wraps like the
// hardware's); sign is +1 or -1 for adding or subtracting. False at the end
// of the data.
bool rawbit_integrate(RawbitClock& c, WavInput& in, int sign, uint32_t& sum) {
    // The period ends with the first sample whose count reaches bitgrenze,
    // and takes at least one. How many are still to come follows exactly
    // from the count (a count below 2^53 less bitgrenze is exact); those the
    // input block holds are summed straight from it, and a sample frame
    // split between blocks goes through the general reader.
    const bool own = c.anchor == RawbitAnchor::own_count;
    const FrameShape f = frame_shape(in);
    uint32_t total = 0;
    bool more = true;
    do {
        const double left = c.bitgrenze - static_cast<double>(own ? c.scount : in.sample_count);
        const std::size_t need = left > 1.0 ? static_cast<std::size_t>(std::ceil(left < 65536.0 ? left : 65536.0)) : 1;
        const RawFrames raw = raw_frames(in, f);
        const std::size_t k = need < raw.frames ? need : raw.frames;
        if (k > 0) {
            total += sum_frames(f, raw.data, k);
            consume_frames(in, f, k);
            if (own) c.scount += k;
        } else {
            const int v = read_signed_sample(in);
            if (v == kEndOfData) {
                more = false;
                break;
            }
            total += static_cast<uint32_t>(v);
            if (own) c.scount++;
        }
    } while (static_cast<double>(own ? c.scount : in.sample_count) < c.bitgrenze);
    // The sum wraps as 32 bits, so adding the period's total at once is the
    // same as adding each sample.
    sum += static_cast<uint32_t>(sign) * total;
    return more;
}

// `periods` bit periods, alternately added and subtracted.
int read_periods(RawbitClock& c, WavInput& in, int inv, int* bit, int periods) {
    uint32_t sum = 0;
    for (int k = 0; k < periods; k++) {
        rawbit_next_period(c, in);
        if (!rawbit_integrate(c, in, k % 2 == 0 ? 1 : -1, sum)) return -1;
    }
    const int b = static_cast<int32_t>(sum) >= 0 ? 1 : 0;
    *bit = inv ? 1 - b : b;
    return 0;
}

}  // namespace

int read_rawbit(RawbitClock& c, WavInput& in, int inv, int* bit) { return read_periods(c, in, inv, bit, 1); }

int read_rawbit_pair(RawbitClock& c, WavInput& in, int inv, int* bit) { return read_periods(c, in, inv, bit, 2); }

}  // namespace sonde
