#include "vardo/robust_capture.h"

#include <cstring>
#include <memory>

#include "soft_correction.h"
#include "vardo/frame_dispatch.h"
#include "vardo/robust_frame.h"
#include "vardo/robust_receiver.h"

namespace vardo {

namespace {

constexpr int kBlock = 4096;

struct RobustRun {
    VardoDecoder* v = nullptr;
    RobustQuality* last = nullptr;
    RobustSyndromes syndromes;
    RobustReceiver rx;
    int samples[kBlock];
    float x[kBlock];
};

void on_frame(void* ctx, const RobustSoftFrame& f) {
    RobustRun& run = *static_cast<RobustRun*>(ctx);
    VardoDecoder& v = *run.v;
    const RobustDecision d = robust_decide(f.sym, f.type, run.syndromes, common::kMaxCorrectionCandidates);
    FrameBuffers& fb = v.buf;
    const int nbits = 8 * d.len;
    for (int i = 0; i < nbits; i++) fb.frame_bits[i] = (d.bytes[i / 8] >> (7 - i % 8) & 1) ? '1' : '0';
    fb.frame_bits[nbits] = '\0';
    fb.bits_count = nbits;
    std::memcpy(fb.frame_rawbits, f.rawbits, static_cast<std::size_t>(2 * nbits + 1));
    // The frame's own type sets the layout, so its length byte is taken as
    // announced (no extension against an earlier frame's length).
    get_type(v.layout, d.bytes);
    if (run.last) {
        run.last->corrected = d.corrected;
        run.last->snr_db = f.snr_db;
        run.last->dc = f.dc;
    }
    print_frame(v);
}

}  // namespace

int robust_capture(VardoDecoder& v, RobustQuality* last) {
    auto owner = std::make_unique<RobustRun>();
    RobustRun& run = *owner;
    run.v = &v;
    run.last = last;
    robust_syndromes_init(run.syndromes);
    robust_receiver_init(run.rx, static_cast<double>(v.in.samples_per_bit));
    // Symbols come decided: the frame handler packs them as they are.
    v.opt.option_b = 2;
    const float scale = v.in.bits_sample == 16 ? 1.0f / 32768.0f : 1.0f / 128.0f;
    for (;;) {
        const int n = read_signed_samples(v.in, run.samples, kBlock);
        if (n <= 0) break;
        for (int i = 0; i < n; i++) run.x[i] = static_cast<float>(run.samples[i]) * scale;
        robust_receiver_feed(run.rx, run.x, n, on_frame, &run);
    }
    line_putc(v.line, '\n');
    line_flush(v.line, v.out_fd);
    return 0;
}

}  // namespace vardo
