#include "ostrel/bit_timing.h"

#include <cstring>

namespace sonde::ostrel {

void bit_timing_init(BitTiming& t, int sample_rate, int bits_sample) {
    t = BitTiming{};
    t.bit_len = sample_rate / kBitRate;
    t.sample_step = 1.0 / static_cast<double>(1 << bits_sample);
    sync_ring_init(t.ring, kSyncPattern);
    std::memcpy(t.bitframe, kFirstGroup, sizeof kFirstGroup);
}

int64_t run_bits(int64_t run_samples, int bit_len) {
    if (bit_len == 0) return 0;
    return (run_samples + bit_len / 2) / bit_len;
}

}  // namespace sonde::ostrel
