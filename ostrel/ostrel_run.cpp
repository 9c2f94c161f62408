#include "ostrel_run.h"

#include <cstring>
#include <memory>

#include "bit_timing.h"
#include "fast_tone.h"
#include "ostrel_options.h"
#include "robust_receiver.h"
#include "packet_output.h"
#include "program_input.h"
#include "robust_run.h"
#include "tone_detector.h"
#include "wav_input.h"

namespace {

// Below this rate the 80-sample window spans more than two bits.
constexpr int kFullRate = 44100;

// Everything one run needs; large, so it lives on the heap, made once.
struct Ostrel {
    OstrelOptions opt;
    WavInput in;
    ToneDetector det;
    FastTone fast;
    BitTiming timing;
    PacketOutput out;
    // A block of samples on its way through the two-bin method.
    int block[kToneBlock];
    double scaled[kToneBlock];
    int decision[kToneBlock];
};

enum class ArgScan { run, help, open_failed };

ArgScan scan_args(Ostrel& o, int argc, char** argv, const ProgramIo& io) {
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        auto is = [a](const char* s) { return std::strcmp(a, s) == 0; };
        if (is("-h") || is("--help")) return ArgScan::help;
        if (is("--csv")) {
            o.opt.option_csv = 1;
        } else if (is("-v") || is("--verbose")) {
            o.opt.option_verbose = 1;
        } else if (is("-r") || is("--raw")) {
            o.opt.option_raw = 1;
        } else if (is("--rawbits")) {
            o.opt.option_rawbits = 1;
        } else if (is("-d1") || is("--dft1")) {
            o.opt.option_dft = 1;
        } else if (is("-d2") || is("--dft2")) {
            o.opt.option_dft = 2;
        } else if (is("--robust")) {
            o.opt.option_robust = 1;
        } else {
            // The first other argument is the input; the rest are ignored.
            if (!open_named_input(o.in.src, a, io.err_fd)) return ArgScan::open_failed;
            return ArgScan::run;
        }
    }
    open_standard_input(o.in.src, io);
    return ArgScan::run;
}

void usage(const char* prog, int err_fd) {
    fd_printf(err_fd, "%s [options] audio.wav\n", prog);
    fd_printf(err_fd, "  options:\n");
    fd_printf(err_fd, "       -v, --verbose\n");
    fd_printf(err_fd, "       -r, --raw\n");
}

void run_samples(Ostrel& o, int out_fd) {
    BitTiming& t = o.timing;
    auto on_frame = [&o, out_fd](const unsigned char* bitframe, int groups) {
        print_frame(o.out, o.opt, bitframe, groups, out_fd);
    };
    // The two-bin method decides a block of windows at once; the bit layer
    // then takes them in order, the ring at hand for close calls. The other
    // methods step sample by sample.
    const bool in_blocks = o.opt.option_dft == 0;
    for (;;) {
        const int n = read_signed_samples(o.in, o.block, kToneBlock);
        if (n == 0) return;
        if (in_blocks) {
            // The fast detector sees the very value the ring holds.
            for (int i = 0; i < n; i++) o.scaled[i] = static_cast<double>(o.block[i]) * t.sample_step;
            fast_tone_add_block(o.fast, o.scaled, n, o.decision);
        }
        for (int i = 0; i < n; i++) {
            const bool full = timing_add_sample(t, o.block[i]);
            int tone_bit = t.tone_bit;
            if (in_blocks) {
                if (!full) continue;
                if (o.decision[i] >= 0)
                    tone_bit = o.decision[i];
                else
                    decide_tone(o.det, t.buffer, t.ptr, 0, tone_bit);
            } else {
                if (!fast_tone_add(o.fast, t.buffer[t.ptr]) || !full) continue;
                fast_tone_decide(o.fast, o.det, t.buffer, t.ptr, tone_bit);
            }
            timing_decision(t, tone_bit, on_frame);
        }
    }
}

}  // namespace

int ostrel_run(int argc, char** argv, const ProgramIo& io) {
    auto o = std::make_unique<Ostrel>();
    o->in.wav_channel = 0;
    o->in.nominal_bit_rate = 0.0f;
    o->in.count_samples = false;

    const ArgScan scan = scan_args(*o, argc, argv, io);
    if (scan == ArgScan::help) {
        usage(argc > 0 ? argv[0] : "ostrel", io.err_fd);
        return 0;
    }
    if (scan == ArgScan::open_failed) return kExitFailure;

    if (read_wav_header(o->in, io.err_fd) != 0) {
        source_close(o->in.src);
        return kExitFailure;
    }
    const int rate = o->in.sample_rate;
    if (o->opt.option_robust) {
        if (rate < ostrel::kRobustMinRate) {
            fd_printf(io.err_fd, "error: --robust needs a sample rate of at least %d Hz\n", ostrel::kRobustMinRate);
            source_close(o->in.src);
            return kExitFailure;
        }
        run_robust(o->in, o->out, o->opt, io.out_fd);
        write_all(io.out_fd, "\n", 1);
        source_close(o->in.src);
        return 0;
    }
    set_tone_bins(o->det, rate);
    if (!tone_method_fits(o->det, o->opt.option_dft)) {
        fd_printf(io.err_fd, "error: sample rate %d Hz is too low for the two-bin tone detector (at least 2175 Hz)\n",
                  rate);
        source_close(o->in.src);
        return kExitFailure;
    }
    if (rate < kFullRate)
        fd_printf(io.err_fd, "warning: below 44100 Hz the tone window spans too many bits; packets will not decode\n");

    init_dft(o->det);
    fast_tone_init(o->fast, o->det, o->opt.option_dft);
    bit_timing_init(o->timing, rate, o->in.bits_sample);
    run_samples(*o, io.out_fd);

    write_all(io.out_fd, "\n", 1);
    source_close(o->in.src);
    return 0;
}
