#include "vardo/robust_run.h"

#include <memory>

#include "vardo/frame_layer.h"
#include "vardo/robust_frame.h"
#include "vardo/robust_receiver.h"

namespace sonde::vardo {

namespace {

constexpr int kBlock = 4096;

struct RobustRun {
    VardoDecoder* v = nullptr;
    RobustSyndromes syndromes;
    RobustReceiver rx;
    int samples[kBlock];
    float x[kBlock];
};

void on_frame(void* ctx, const RobustSoftFrame& f) {
    RobustRun& run = *static_cast<RobustRun*>(ctx);
    VardoDecoder& v = *run.v;
    const RobustDecision d = robust_decide(f.sym, f.type, run.syndromes, kRobustCandidates);
    if (v.opt.option_rawbits == 1) {
        // The receiver's own channel-bit decisions, one line per frame.
        line_append(v.line, f.rawbits, static_cast<std::size_t>(2 * f.symbols));
        line_putc(v.line, '\n');
        line_flush(v.line, v.out_fd);
        return;
    }
    // The frame's own type sets the layout, so its length byte is taken as
    // announced (no extension against an earlier frame's length).
    get_type(v.layout, d.bytes);
    sonde::RxQuality q;
    q.present = true;
    q.corrected = d.corrected;
    q.snr_db = f.snr_db;
    q.dc = f.dc;
    frame_bytes_in(v, d.bytes, d.len, q);
}

}  // namespace

void robust_capture(VardoDecoder& v) {
    auto owner = std::make_unique<RobustRun>();
    RobustRun& run = *owner;
    run.v = &v;
    const double spb = static_cast<double>(v.in.samples_per_bit);
    // A channel bit must span a sample at least, and the integrator's history
    // the five bits a frame start may look back (up to 1.2 MHz at 9600
    // bit/s): elsewhere the input is read through without decoding.
    const bool usable = spb >= 1.0 && spb <= sonde::kIntegratorSpan / 8;
    if (!usable) fd_printf(v.err_fd, "--robust: %.2f samples per bit, nothing decoded\n", spb);
    robust_syndromes_init(run.syndromes);
    robust_receiver_init(run.rx, usable ? spb : 5.0);
    const float scale = v.in.bits_sample == 16 ? 1.0f / 32768.0f : 1.0f / 128.0f;
    for (;;) {
        const int n = read_signed_samples(v.in, run.samples, kBlock);
        if (n <= 0) break;
        if (!usable) continue;
        for (int i = 0; i < n; i++) run.x[i] = static_cast<float>(run.samples[i]) * scale;
        robust_receiver_feed(run.rx, run.x, n, on_frame, &run);
    }
}

}  // namespace sonde::vardo
