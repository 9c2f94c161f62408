#include "vardo/vardo_run.h"

#include <cstdlib>
#include <memory>

#include "program_driver.h"
#include "vardo/capture_loop.h"
#include "vardo/vardo_decoder.h"

namespace sonde::vardo {

namespace {

enum OptionId {
    kVerbose,
    kVerbose2,
    kRaw,
    kSave,
    kInvert,
    kColor,
    kGood,
    kRes,
    kB1,
    kB2,
    kCh2,
    kBr,
    kCsv,
    kRawbits,
    kJson
};

constexpr sonde::ProgramOption kOptions[] = {
    {"-v", "--verbose", kVerbose}, {"-vv", nullptr, kVerbose2},      {"-r", "--raw", kRaw},
    {"-b", "--save", kSave},       {"-i", "--invert", kInvert},      {"-c", "--color", kColor},
    {"-g", "--good", kGood},       {"--res", nullptr, kRes},         {"-b1", nullptr, kB1},
    {"-b2", nullptr, kB2},         {"--ch2", nullptr, kCh2},         {"--br", nullptr, kBr, true},
    {"--csv", nullptr, kCsv},      {"--rawbits", nullptr, kRawbits}, {"--json", nullptr, kJson},
};

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
                                   "       -h, --help\n"};

// Rates outside this window are taken for a typing error.
constexpr float kMinBitRate = 9000.0f;
constexpr float kMaxBitRate = 10000.0f;

struct VardoProgram final : sonde::ProgramHooks {
    VardoDecoder& v;
    float bit_rate = -1.0f;
    explicit VardoProgram(VardoDecoder& d) : v(d) {}

    bool option(int id, const char* value) override {
        VardoOptions& o = v.opt;
        switch (id) {
            case kVerbose:
                o.option_verbose = 1;
                break;
            case kVerbose2:
                o.option_verbose = 2;
                break;
            case kRaw:
                o.option_raw = 1;
                break;
            case kSave:
                o.option_saveframes = 1;
                break;
            case kInvert:
                v.slicer.option_inv = 1;
                break;
            case kColor:
                o.option_color = 1;
                break;
            case kGood:
                o.option_good = 1;
                break;
            case kRes:
                v.slicer.option_res = 1;
                break;
            case kB1:
                o.option_b = 1;
                break;
            case kB2:
                o.option_b = 2;
                break;
            case kCh2:
                v.in.wav_channel = 1;
                break;
            case kBr:
                bit_rate = static_cast<float>(std::atof(value));
                if (bit_rate < kMinBitRate || bit_rate > kMaxBitRate) bit_rate = kVardoBitRate;
                break;
            case kCsv:
                o.option_csv = 1;
                break;
            case kRawbits:
                o.option_rawbits = 1;
                break;
            case kJson:
                o.option_json = 1;
                break;
            default:
                break;
        }
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
    void run(const ProgramIo&) override { capture_loop(v); }
    bool final_empty_line() const override { return v.opt.option_json == 0; }
};

}  // namespace

int vardo_run(int argc, char** argv, const ProgramIo& io) {
    // About 100 KB of buffers: on the heap, once per run.
    auto owner = std::make_unique<VardoDecoder>();
    VardoDecoder& v = *owner;
    v.out_fd = io.out_fd;
    v.err_fd = io.err_fd;
    vardo_decoder_init(v);
    VardoProgram program(v);
    return sonde::run_program(kText, kOptions, program, argc, argv, io);
}

std::span<const ProgramOption> vardo_options() { return kOptions; }

}  // namespace sonde::vardo
