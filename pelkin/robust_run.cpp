#include "pelkin/robust_run.h"

#include <cstring>
#include <new>

#include "pelkin/robust_correction.h"
#include "pelkin/robust_receiver.h"

namespace sonde::pelkin {

namespace {
constexpr int kBlock = 4096;
}  // namespace

struct RobustState {
    RobustReceiver rx;
    CrcSyndromes syndromes;
    int samples[kBlock];
};

void RobustStateFree::operator()(RobustState* s) const { delete s; }

namespace {
void hand_over(PelkinDecoder& d, const RobustState& s, const RobustFrame& f) {
    std::memcpy(d.frame.frame_bits, f.bits, kFrameBits);
    d.frame.frame_bits[kFrameBits] = '\0';
    d.frame.collected = kFrameBits;
    const float bonus = f.deemphasis_undone ? 0.0f : kClickFlipBonus;
    const int flipped = correct_frame_bits(s.syndromes, d.frame.frame_bits, f.soft, bonus);
    d.frame.quality.present = true;
    d.frame.quality.corrected = flipped > 0 ? flipped : 0;
    d.frame.quality.snr_db = f.snr_db;
    d.frame.quality.dc = f.dc;
    print_frame(d.frame, d.opt, d.out_fd);
}
}  // namespace

bool robust_start(RobustRun& run, const PelkinDecoder& d, int err_fd) {
    const int rate = d.in.sample_rate;
    if (rate < kRobustMinRate || rate > kRobustMaxRate) {
        fd_printf(err_fd, "error: --robust takes sample rates from %d to %d Hz\n", kRobustMinRate, kRobustMaxRate);
        return false;
    }
    run.reset(new (std::nothrow) RobustState);
    if (!run) {
        fd_printf(err_fd, "error malloc\n");
        return false;
    }
    RobustConfig cfg;
    cfg.sample_rate = rate;
    cfg.full_scale = d.in.bits_sample == 16 ? 32768.0 : 128.0;
    robust_init(run->rx, cfg);
    crc_syndromes_init(run->syndromes);
    return true;
}

void robust_capture(RobustRun& run, PelkinDecoder& d) {
    RobustState& s = *run;
    for (;;) {
        const int got = read_signed_samples(d.in, s.samples, kBlock);
        if (got == 0) break;
        robust_feed(s.rx, s.samples, static_cast<std::size_t>(got), [&](const RobustFrame& f) { hand_over(d, s, f); });
    }
}

}  // namespace sonde::pelkin
