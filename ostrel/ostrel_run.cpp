#include "ostrel_run.h"

#include <cstring>
#include <memory>

#include "bit_timing.h"
#include "fast_tone.h"
#include "ostrel_options.h"
#include "packet_output.h"
#include "program_driver.h"
#include "robust_receiver.h"
#include "robust_run.h"
#include "tone_detector.h"
#include "wav_input.h"

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
    // A block of samples on its way through the two-bin method.
    int block[kToneBlock];
    double scaled[kToneBlock];
    int decision[kToneBlock];
};

enum OptionId { kCsv, kVerbose, kRaw, kRawbits, kDft1, kDft2, kJson, kRobust };

constexpr sonde::ProgramOption kOptions[] = {
    {"--csv", nullptr, kCsv},         {"-v", "--verbose", kVerbose},  {"-r", "--raw", kRaw},
    {"--rawbits", nullptr, kRawbits}, {"-d1", "--dft1", kDft1},       {"-d2", "--dft2", kDft2},
    {"--json", nullptr, kJson},       {"--robust", nullptr, kRobust},
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

struct OstrelProgram final : sonde::ProgramHooks {
    Ostrel& o;
    explicit OstrelProgram(Ostrel& os) : o(os) {}

    bool option(int id, const char*) override {
        switch (id) {
            case kCsv:
                o.opt.option_csv = 1;
                break;
            case kVerbose:
                o.opt.option_verbose = 1;
                break;
            case kRaw:
                o.opt.option_raw = 1;
                break;
            case kRawbits:
                o.opt.option_rawbits = 1;
                break;
            case kDft1:
                o.opt.option_dft = 1;
                break;
            case kDft2:
                o.opt.option_dft = 2;
                break;
            case kJson:
                o.opt.option_json = 1;
                break;
            case kRobust:
                o.opt.option_robust = 1;
                break;
            default:
                break;
        }
        return true;
    }
    WavInput& input() override { return o.in; }
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

int ostrel_run(int argc, char** argv, const ProgramIo& io) {
    auto o = std::make_unique<Ostrel>();
    o->in.wav_channel = 0;
    o->in.nominal_bit_rate = 0.0f;
    o->in.count_samples = false;
    OstrelProgram program(*o);
    return sonde::run_program(kText, kOptions, program, argc, argv, io);
}

std::span<const ProgramOption> ostrel_options() { return kOptions; }

}  // namespace sonde::ostrel
