#include <cstring>

#include "pelkin/capture_loop.h"
#include "pelkin/pelkin.h"
#include "pelkin/robust_run.h"
#include "program_input.h"

namespace {
enum class ArgScan { go_on, usage, open_failed };

void print_usage(const char* prog, int err_fd) {
    fd_printf(err_fd, "%s [options] audio.wav\n", prog);
    fd_printf(err_fd, "  options:\n");
    fd_printf(err_fd, "       -v, --verbose\n");
    fd_printf(err_fd, "       -r, --raw; -R\n");
    fd_printf(err_fd, "       -g, --good\n");
    fd_printf(err_fd, "       -i, --invert; --auto\n");
}

bool is(const char* a, const char* name) { return std::strcmp(a, name) == 0; }

// Options up to the first other argument, which names the input file and
// ends the scan.
ArgScan scan_arguments(PelkinDecoder& d, int argc, char** argv, bool& wavloaded, int err_fd) {
    PelkinOptions& o = d.opt;
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (is(a, "-h") || is(a, "--help"))
            return ArgScan::usage;
        else if (is(a, "-v") || is(a, "--verbose"))
            o.option_verbose = 1;
        else if (is(a, "-r") || is(a, "--raw"))
            o.option_raw = 1;
        else if (is(a, "-R"))
            o.option_raw = 2;
        else if (is(a, "-g") || is(a, "--good"))
            o.option_good = 1;
        else if (is(a, "-i") || is(a, "--invert"))
            d.slicer.option_inv = 1;
        else if (is(a, "--auto"))
            o.option_auto = 1;
        else if (is(a, "--dc"))
            o.option_dc = 1;
        else if (is(a, "--res"))
            d.slicer.option_res = 1;
        else if (is(a, "-b"))
            o.option_b = 1;
        else if (is(a, "--csv"))
            o.option_csv = 1;
        else if (is(a, "--robust"))
            o.option_robust = 1;
        else {
            if (!open_named_input(d.in.src, a, err_fd)) return ArgScan::open_failed;
            wavloaded = true;
            break;
        }
    }
    return ArgScan::go_on;
}

// The DC filter window, 20 bit periods long. Below 240 samples per second it
// would hold no sample at all; far above audio rates a level step would cost
// a full window scan for every sample of a whole window.
bool set_up_dc_filter(PelkinDecoder& d, int err_fd) {
    const int wlen = dc_window_length(d.in.samples_per_bit);
    if (wlen < 1) {
        fd_printf(err_fd, "error: --dc needs a sample rate of at least 240 Hz\n");
        return false;
    }
    if (d.in.sample_rate > kMaxDcSampleRate) {
        fd_printf(err_fd, "error: --dc takes sample rates up to %d Hz\n", kMaxDcSampleRate);
        return false;
    }
    if (!dc_filter_open(d.dc, d.in, wlen)) {
        fd_printf(err_fd, "error malloc\n");
        return false;
    }
    return true;
}

int decode(PelkinDecoder& d, int argc, char** argv, const ProgramIo& io) {
    bool wavloaded = false;
    switch (scan_arguments(d, argc, argv, wavloaded, io.err_fd)) {
        case ArgScan::usage:
            print_usage(argc > 0 && argv[0] ? argv[0] : "pelkin", io.err_fd);
            return 0;
        case ArgScan::open_failed:
            return kExitFailure;
        case ArgScan::go_on:
            break;
    }
    if (!wavloaded) open_standard_input(d.in.src, io);
    if (read_wav_header(d.in, io.err_fd) != 0) {
        source_close(d.in.src);
        return kExitFailure;
    }
    if (d.opt.option_robust) {
        const bool ok = pelkin::robust_capture(d, io.err_fd);
        source_close(d.in.src);
        if (!ok) return kExitFailure;
        write_all(io.out_fd, "\n", 1);
        return 0;
    }
    if (d.opt.option_dc && !set_up_dc_filter(d, io.err_fd)) {
        source_close(d.in.src);
        return kExitFailure;
    }

    capture_loop(d);

    write_all(io.out_fd, "\n", 1);
    source_close(d.in.src);
    if (d.opt.option_dc) dc_filter_close(d.dc);
    return 0;
}
}  // namespace

int pelkin_run(int argc, char** argv, const ProgramIo& io) {
    PelkinDecoder d;
    pelkin_decoder_init(d, io.out_fd);
    return decode(d, argc, argv, io);
}
