#include "pelkin/capture_loop.h"
#include "pelkin/program.h"
#include "pelkin/robust_run.h"
#include "io/program_driver.h"

namespace sonde::pelkin {

namespace {

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
                                   "       --robust  weak-signal receiver; finds the polarity itself, "
                                   "-i, --auto, --dc, --res and -b have no effect\n"
                                   "       --version\n"
                                   "       -h, --help\n"};

enum OptionId { kIntegrateDumpId, kHexId, kBitsId };

struct PelkinProgram final : sonde::ProgramHooks {
    PelkinDecoder& d;
    RobustRun robust;  // the weak-signal receiver, with --robust
    explicit PelkinProgram(PelkinDecoder& dec) : d(dec) {}

    WavInput& input() override { return d.in; }
    // -r, -R and -b, the options without a flag of their own.
    bool option(int id, const char*) override {
        if (id == kIntegrateDumpId)
            d.opt.option_b = FrameBitSource::integrate_dump;
        else
            d.opt.option_raw = id == kHexId ? RawForm::hex : RawForm::bits;
        return true;
    }

    // The DC filter window, 20 bit periods long. Below 240 samples per second
    // it would hold no sample at all; far above audio rates a level step
    // would cost a full window scan for every sample of a whole window.
    bool start(const ProgramIo& io) override {
        if (d.opt.option_robust) return robust_start(robust, d, io.err_fd);
        if (!d.opt.option_dc) return true;
        const int wlen = dc_window_length(d.in.samples_per_bit);
        if (wlen < 1)
            fd_printf(io.err_fd, "error: --dc needs a sample rate of at least 240 Hz\n");
        else if (d.in.sample_rate > kMaxDcSampleRate)
            fd_printf(io.err_fd, "error: --dc takes sample rates up to %d Hz\n", kMaxDcSampleRate);
        else if (dc_filter_open(d.dc, d.in, wlen))
            return true;
        else
            fd_printf(io.err_fd, "error malloc\n");
        return false;
    }
    void run(const ProgramIo&) override {
        if (d.opt.option_robust)
            robust_capture(robust, d);
        else
            capture_loop(d);
    }
    bool final_empty_line() const override { return d.opt.option_json == 0; }
    void finish() override {
        if (d.opt.option_dc && !d.opt.option_robust) dc_filter_close(d.dc);
    }
};

}  // namespace

int program_main(int argc, char** argv, const ProgramIo& io) {
    PelkinDecoder d;
    pelkin_decoder_init(d, io.out_fd);
    PelkinProgram program(d);
    return sonde::run_program(kText, program_options(d), program, argc, argv, io);
}

std::vector<ProgramOption> program_options(PelkinDecoder& d) {
    PelkinOptions& o = d.opt;
    return {
        {"-v", "--verbose", &o.option_verbose},
        {"-r", "--raw", nullptr, 0, kHexId},
        {"-R", nullptr, nullptr, 0, kBitsId},
        {"-g", "--good", &o.option_good},
        {"-i", "--invert", &d.slicer.option_inv},
        {"--auto", nullptr, &o.option_auto},
        {"--dc", nullptr, &o.option_dc},
        {"--res", nullptr, &d.slicer.option_res},
        {"-b", nullptr, nullptr, 0, kIntegrateDumpId},
        {"--csv", nullptr, &o.option_csv},
        {"--json", nullptr, &o.option_json},
        {"--robust", nullptr, &o.option_robust},
    };
}

}  // namespace sonde::pelkin
