#include "pelkin/robust_run.h"

#include <cstring>
#include <memory>
#include <new>

#include "pelkin/robust_correction.h"
#include "pelkin/robust_receiver.h"

namespace pelkin {

namespace {
constexpr int kBlock = 4096;

struct RobustState {
    RobustReceiver rx;
    CrcSyndromes syndromes;
    int samples[kBlock];
};

void hand_over(PelkinDecoder& d, const RobustState& s, const RobustFrame& f) {
    std::memcpy(d.frame.frame_bits, f.bits, kFrameBits);
    d.frame.frame_bits[kFrameBits] = '\0';
    d.frame.collected = kFrameBits;
    correct_frame_bits(s.syndromes, d.frame.frame_bits, f.soft);
    print_frame(d.frame, d.opt, d.out_fd);
}
}  // namespace

bool robust_capture(PelkinDecoder& d, int err_fd) {
    const int rate = d.in.sample_rate;
    if (rate < kRobustMinRate || rate > kRobustMaxRate) {
        fd_printf(err_fd, "error: --robust takes sample rates from %d to %d Hz\n", kRobustMinRate, kRobustMaxRate);
        return false;
    }
    std::unique_ptr<RobustState> s(new (std::nothrow) RobustState);
    if (!s) {
        fd_printf(err_fd, "error malloc\n");
        return false;
    }
    RobustConfig cfg;
    cfg.sample_rate = rate;
    cfg.full_scale = d.in.bits_sample == 16 ? 32768.0 : 128.0;
    robust_init(s->rx, cfg);
    crc_syndromes_init(s->syndromes);
    for (;;) {
        const int got = read_signed_samples(d.in, s->samples, kBlock);
        if (got == 0) break;
        robust_feed(s->rx, s->samples, static_cast<std::size_t>(got),
                    [&](const RobustFrame& f) { hand_over(d, *s, f); });
    }
    return true;
}

}  // namespace pelkin
