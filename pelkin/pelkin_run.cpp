#include "pelkin/capture_loop.h"
#include "pelkin/pelkin.h"
#include "program_driver.h"

namespace sonde::pelkin {

namespace {

enum OptionId { kVerbose, kRaw, kBitDump, kGood, kInvert, kAuto, kDc, kRes, kB, kCsv, kJson };

constexpr sonde::ProgramOption kOptions[] = {
    {"-v", "--verbose", kVerbose}, {"-r", "--raw", kRaw},      {"-R", nullptr, kBitDump},  {"-g", "--good", kGood},
    {"-i", "--invert", kInvert},   {"--auto", nullptr, kAuto}, {"--dc", nullptr, kDc},     {"--res", nullptr, kRes},
    {"-b", nullptr, kB},           {"--csv", nullptr, kCsv},   {"--json", nullptr, kJson},
};

constexpr sonde::ProgramText kText{"pelkin",
                                   "  options:\n"
                                   "       -v, --verbose\n"
                                   "       -r, --raw; -R\n"
                                   "       -g, --good\n"
                                   "       -i, --invert; --auto\n",
                                   "       --csv\n"
                                   "       --dc\n"
                                   "       --res\n"
                                   "       -b\n"
                                   "       --json\n"
                                   "       --version\n"
                                   "       -h, --help\n"};

struct PelkinProgram final : sonde::ProgramHooks {
    PelkinDecoder& d;
    int err_fd = 2;
    explicit PelkinProgram(PelkinDecoder& dec) : d(dec) {}

    bool option(int id, const char*) override {
        PelkinOptions& o = d.opt;
        switch (id) {
            case kVerbose:
                o.option_verbose = 1;
                break;
            case kRaw:
                o.option_raw = 1;
                break;
            case kBitDump:
                o.option_raw = 2;
                break;
            case kGood:
                o.option_good = 1;
                break;
            case kInvert:
                d.slicer.option_inv = 1;
                break;
            case kAuto:
                o.option_auto = 1;
                break;
            case kDc:
                o.option_dc = 1;
                break;
            case kRes:
                d.slicer.option_res = 1;
                break;
            case kB:
                o.option_b = 1;
                break;
            case kCsv:
                o.option_csv = 1;
                break;
            case kJson:
                o.option_json = 1;
                break;
            default:
                break;
        }
        return true;
    }
    WavInput& input() override { return d.in; }

    // The DC filter window, 20 bit periods long. Below 240 samples per second
    // it would hold no sample at all; far above audio rates a level step
    // would cost a full window scan for every sample of a whole window.
    bool start(const ProgramIo& io) override {
        if (!d.opt.option_dc) return true;
        const int wlen = dc_window_length(d.in.samples_per_bit);
        if (wlen < 1) {
            fd_printf(io.err_fd, "error: --dc needs a sample rate of at least 240 Hz\n");
            return false;
        }
        if (d.in.sample_rate > kMaxDcSampleRate) {
            fd_printf(io.err_fd, "error: --dc takes sample rates up to %d Hz\n", kMaxDcSampleRate);
            return false;
        }
        if (!dc_filter_open(d.dc, d.in, wlen)) {
            fd_printf(io.err_fd, "error malloc\n");
            return false;
        }
        return true;
    }
    void run(const ProgramIo&) override { capture_loop(d); }
    bool final_empty_line() const override { return d.opt.option_json == 0; }
    void finish() override {
        if (d.opt.option_dc) dc_filter_close(d.dc);
    }
};

}  // namespace

int pelkin_run(int argc, char** argv, const ProgramIo& io) {
    PelkinDecoder d;
    pelkin_decoder_init(d, io.out_fd);
    PelkinProgram program(d);
    return sonde::run_program(kText, kOptions, program, argc, argv, io);
}

std::span<const ProgramOption> pelkin_options() { return kOptions; }

}  // namespace sonde::pelkin
