#include "vardo/program.h"

#include <cstdlib>
#include <memory>

#include "io/program_driver.h"
#include "vardo/capture_loop.h"
#include "vardo/robust_run.h"
#include "vardo/decoder.h"

namespace sonde::vardo {

namespace {

constexpr sonde::ProgramText kText{"vardo",
                                   "  options:\n"
                                   "       -v, --verbose\n"
                                   "       -r, --raw\n"
                                   "       -c, --color\n"
                                   "       -i, --invert\n"
                                   "       -g, --good\n"
                                   "       -b, --save\n"
                                   "       --csv\n"
                                   "       --br\n"
                                   "       --rawbits\n",
                                   "       -vv\n"
                                   "       --res\n"
                                   "       --ch2\n"
                                   "       -b1\n"
                                   "       -b2\n"
                                   "       --json\n"
                                   "       --version\n"
                                   "       -h, --help\n"
                                   "       --robust   weak-signal receiver; finds the polarity itself, "
                                   "-i, --res, -b1, -b2 have no effect\n"};

// The options without a flag of their own.
enum OptionId { kBitRateId, kChannelBitsId, kSymbolsId, kVerboseId, kVeryVerboseId };

// Rates outside this window are taken for a typing error.
constexpr float kMinBitRate = 9000.0f;
constexpr float kMaxBitRate = 10000.0f;

struct VardoProgram final : sonde::ProgramHooks {
    VardoDecoder& v;
    float bit_rate = -1.0f;
    explicit VardoProgram(VardoDecoder& d) : v(d) {}

    // The channel bit rate, the only option with a value; -b1, -b2; -v, -vv.
    bool option(int id, const char* value) override {
        if (id == kVerboseId || id == kVeryVerboseId) {
            v.opt.option_verbose = id == kVerboseId ? Verbosity::verdict : Verbosity::temperature;
            return true;
        }
        if (id != kBitRateId) {
            v.opt.option_b = id == kSymbolsId ? FrameBitSource::symbols : FrameBitSource::channel_bits;
            return true;
        }
        bit_rate = static_cast<float>(std::atof(value));
        if (bit_rate < kMinBitRate || bit_rate > kMaxBitRate) bit_rate = kVardoBitRate;
        return true;
    }
    WavInput& input() override { return v.in; }
    bool start(const ProgramIo&) override {
        if (bit_rate > 0.0f) {
            v.in.samples_per_bit = static_cast<float>(v.in.sample_rate) / bit_rate;
            fd_printf(v.err_fd, "sps corr: %.4f\n", static_cast<double>(v.in.samples_per_bit));
        }
        return true;
    }
    void run(const ProgramIo&) override {
        if (v.opt.option_robust)
            robust_capture(v, bit_rate > 0.0f ? bit_rate : kVardoBitRate);
        else
            capture_loop(v);
    }
    bool final_empty_line() const override { return v.opt.option_json == 0; }
};

}  // namespace

int program_main(int argc, char** argv, const ProgramIo& io) {
    // About 100 KB of buffers: on the heap, once per run.
    auto owner = std::make_unique<VardoDecoder>();
    VardoDecoder& v = *owner;
    v.out_fd = io.out_fd;
    v.err_fd = io.err_fd;
    vardo_decoder_init(v);
    VardoProgram program(v);
    return sonde::run_program(kText, program_options(v), program, argc, argv, io);
}

std::vector<ProgramOption> program_options(VardoDecoder& v) {
    VardoOptions& o = v.opt;
    return {
        {"-v", "--verbose", nullptr, 0, kVerboseId},
        {"-vv", nullptr, nullptr, 0, kVeryVerboseId},
        {"-r", "--raw", &o.option_raw},
        {"-b", "--save", &o.option_saveframes},
        {"-i", "--invert", &v.slicer.option_inv},
        {"-c", "--color", &o.option_color},
        {"-g", "--good", &o.option_good},
        {"--res", nullptr, &v.slicer.option_res},
        {"-b1", nullptr, nullptr, 0, kChannelBitsId},
        {"-b2", nullptr, nullptr, 0, kSymbolsId},
        {"--ch2", nullptr, &v.in.wav_channel, 1},
        {"--br", nullptr, nullptr, 0, kBitRateId, true},
        {"--csv", nullptr, &o.option_csv},
        {"--rawbits", nullptr, &o.option_rawbits},
        {"--json", nullptr, &o.option_json},
        {"--robust", nullptr, &o.option_robust},
    };
}

}  // namespace sonde::vardo
