#include "vardo/decoder.h"

namespace sonde::vardo {

void vardo_decoder_init(VardoDecoder& v) {
    v.in.nominal_bit_rate = kVardoBitRate;
    v.in.count_samples = true;
    v.clock.anchor = RawbitAnchor::own_count;
    sync_ring_init(v.ring, kVardoSyncWord);
}

}  // namespace sonde::vardo
