#include "ostrel/program.h"

#include <memory>

#include "ostrel/bit_timing.h"
#include "ostrel/fast_tone.h"
#include "ostrel/options.h"
#include "ostrel/frame_layer.h"
#include "io/program_driver.h"
#include "ostrel/robust_receiver.h"
#include "ostrel/robust_run.h"
#include "ostrel/tone_detector.h"
#include "io/wav_input.h"

namespace sonde::ostrel {

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
    // A block of samples on its way through the tone detector.
    int block[kToneBlock];
    double scaled[kToneBlock];
    int8_t decision[kToneBlock];
};

constexpr sonde::ProgramText kText{
    "ostrel",
    "  options:\n"
    "       -v, --verbose\n"
    "       -r, --raw\n",
    "       --csv\n"
    "       --rawbits\n"
    "       -d1, --dft1\n"
    "       -d2, --dft2\n"
    "       --json\n"
    "       --robust  weak-signal receive path, 8000 Hz and up (-d1, -d2 have no effect)\n"
    "       --version\n"
    "       -h, --help\n"};

void run_samples(Ostrel& o, int out_fd) {
    BitTiming& t = o.timing;
    auto on_frame = [&o, out_fd](const unsigned char* bitframe, int groups) {
        print_frame(o.out, o.opt, bitframe, groups, out_fd);
    };
    // A block is what the input has at hand (a pipe's lines must leave as
    // soon as their samples are in), up to the next multiple of kToneBlock
    // samples: after a short read the blocks line up again with the
    // detector's segments, which it runs fastest whole.
    for (;;) {
        const int room = kToneBlock - static_cast<int>(o.fast.samples % kToneBlock);
        const int n = read_signed_samples(o.in, o.block, room);
        if (n == 0) return;
        for (int i = 0; i < n; i++) o.scaled[i] = static_cast<double>(o.block[i]) * t.sample_step;
        fast_tone_block(o.fast, o.det, o.scaled, n, o.decision);
        timing_decisions(t, o.decision, n, on_frame);
    }
}

struct OstrelProgram final : sonde::ProgramHooks {
    Ostrel& o;
    explicit OstrelProgram(Ostrel& os) : o(os) {}

    WavInput& input() override { return o.in; }
    // -d1 and -d2, the options without a flag of their own.
    bool option(int id, const char*) override {
        o.opt.option_dft = static_cast<ToneMethod>(id);
        return true;
    }
    bool start(const ProgramIo& io) override {
        const int rate = o.in.sample_rate;
        if (o.opt.option_robust) {
            if (rate < kRobustMinRate) {
                fd_printf(io.err_fd, "error: --robust needs a sample rate of at least %d Hz\n", kRobustMinRate);
                return false;
            }
            if (rate > kRobustMaxRate) {
                fd_printf(io.err_fd, "error: --robust takes sample rates up to %d Hz\n", kRobustMaxRate);
                return false;
            }
            return true;
        }
        set_tone_bins(o.det, rate);
        if (!tone_method_fits(o.det, o.opt.option_dft)) {
            fd_printf(io.err_fd,
                      "error: sample rate %d Hz is too low for the two-bin tone detector (at least 2175 Hz)\n", rate);
            return false;
        }
        if (rate < kFullRate)
            fd_printf(io.err_fd,
                      "warning: below 44100 Hz the tone window spans too many bits; packets will not decode\n");
        init_dft(o.det);
        fast_tone_init(o.fast, o.det, o.opt.option_dft);
        bit_timing_init(o.timing, rate, o.in.bits_sample);
        return true;
    }
    void run(const ProgramIo& io) override {
        if (o.opt.option_robust)
            run_robust(o.in, o.out, o.opt, io.out_fd);
        else
            run_samples(o, io.out_fd);
    }
    bool final_empty_line() const override { return o.opt.option_json == 0; }
};

}  // namespace

int program_main(int argc, char** argv, const ProgramIo& io) {
    auto o = std::make_unique<Ostrel>();
    o->in.wav_channel = 0;
    o->in.nominal_bit_rate = 0.0f;
    o->in.count_samples = false;
    OstrelProgram program(*o);
    return sonde::run_program(kText, program_options(o->opt), program, argc, argv, io);
}

std::vector<ProgramOption> program_options(OstrelOptions& o) {
    return {
        {"--csv", nullptr, &o.option_csv},
        {"-v", "--verbose", &o.option_verbose},
        {"-r", "--raw", &o.option_raw},
        {"--rawbits", nullptr, &o.option_rawbits},
        {"-d1", "--dft1", nullptr, 0, static_cast<int>(ToneMethod::dft)},
        {"-d2", "--dft2", nullptr, 0, static_cast<int>(ToneMethod::fft)},
        {"--json", nullptr, &o.option_json},
        {"--robust", nullptr, &o.option_robust},
    };
}

}  // namespace sonde::ostrel
