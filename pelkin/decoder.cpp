#include "pelkin/decoder.h"

namespace sonde::pelkin {

void pelkin_decoder_init(PelkinDecoder& d, int out_fd) {
    d.opt = PelkinOptions{};
    d.in.wav_channel = 0;
    d.in.nominal_bit_rate = kPelkinBitRate;
    d.in.count_samples = true;
    d.in.sample_count = 0;
    d.slicer = SlicerState{};
    d.clock = RawbitClock{};
    d.clock.anchor = RawbitAnchor::sample_count;
    sync_ring_init(d.ring, kPelkinSyncWord);
    d.dc = DcFilter{};
    pelkin_frame_init(d.frame);
    d.out_fd = out_fd;
}

}  // namespace sonde::pelkin
