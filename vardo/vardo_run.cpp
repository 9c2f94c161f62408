#include "vardo/vardo_run.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "program_input.h"
#include "vardo/capture_loop.h"
#include "vardo/robust_capture.h"
#include "vardo/vardo_decoder.h"

namespace {

void print_help(int fd, const char* prog) {
    fd_printf(fd, "%s [options] audio.wav\n", prog);
    fd_printf(
        fd,
        "  options:\n"
        "       -v, --verbose\n"
        "       -r, --raw\n"
        "       -c, --color\n"
        "       -i, --invert\n"
        "       -g, --good\n"
        "       -b, --save\n"
        "       --csv\n"
        "       --br\n"
        "       --rawbits\n"
        "       --robust   (weak-signal receiver: finds the polarity itself; -i, --res, -b1, -b2 have no effect)\n");
}

bool is(const char* a, const char* s) { return std::strcmp(a, s) == 0; }

// Rates outside this window are taken for a typing error.
constexpr float kMinBitRate = 9000.0f;
constexpr float kMaxBitRate = 10000.0f;

enum class ArgsResult { run, help, fail };

ArgsResult parse_args(VardoDecoder& v, int argc, char** argv, bool& file_opened, float& bit_rate, bool& robust) {
    VardoOptions& o = v.opt;
    for (int i = 1; i < argc && !file_opened; i++) {
        const char* a = argv[i];
        if (is(a, "-h") || is(a, "--help")) {
            print_help(v.err_fd, argv[0]);
            return ArgsResult::help;
        } else if (is(a, "-v") || is(a, "--verbose")) {
            o.option_verbose = 1;
        } else if (is(a, "-vv")) {
            o.option_verbose = 2;
        } else if (is(a, "-r") || is(a, "--raw")) {
            o.option_raw = 1;
        } else if (is(a, "-b") || is(a, "--save")) {
            o.option_saveframes = 1;
        } else if (is(a, "-i") || is(a, "--invert")) {
            v.slicer.option_inv = 1;
        } else if (is(a, "-c") || is(a, "--color")) {
            o.option_color = 1;
        } else if (is(a, "-g") || is(a, "--good")) {
            o.option_good = 1;
        } else if (is(a, "--res")) {
            v.slicer.option_res = 1;
        } else if (is(a, "-b1")) {
            o.option_b = 1;
        } else if (is(a, "-b2")) {
            o.option_b = 2;
        } else if (is(a, "--ch2")) {
            v.in.wav_channel = 1;
        } else if (is(a, "--br")) {
            if (++i >= argc) return ArgsResult::fail;
            bit_rate = static_cast<float>(std::atof(argv[i]));
            if (bit_rate < kMinBitRate || bit_rate > kMaxBitRate) bit_rate = kVardoBitRate;
        } else if (is(a, "--csv")) {
            o.option_csv = 1;
        } else if (is(a, "--rawbits")) {
            o.option_rawbits = 1;
        } else if (is(a, "--robust")) {
            robust = true;
        } else {
            if (!open_named_input(v.in.src, a, v.err_fd)) return ArgsResult::fail;
            file_opened = true;
        }
    }
    return ArgsResult::run;
}

}  // namespace

int vardo_run(int argc, char** argv, const ProgramIo& io) {
    // About 100 KB of buffers: on the heap, once per run.
    auto owner = std::make_unique<VardoDecoder>();
    VardoDecoder& v = *owner;
    v.out_fd = io.out_fd;
    v.err_fd = io.err_fd;
    vardo_decoder_init(v);

    bool file_opened = false;
    float bit_rate = -1.0f;
    bool robust = false;
    switch (parse_args(v, argc, argv, file_opened, bit_rate, robust)) {
        case ArgsResult::help:
            return 0;
        case ArgsResult::fail:
            return kExitFailure;
        case ArgsResult::run:
            break;
    }
    if (!file_opened) open_standard_input(v.in.src, io);
    if (read_wav_header(v.in, v.err_fd) != 0) {
        source_close(v.in.src);
        return kExitFailure;
    }
    if (bit_rate > 0.0f) {
        v.in.samples_per_bit = static_cast<float>(v.in.sample_rate) / bit_rate;
        fd_printf(v.err_fd, "sps corr: %.4f\n", static_cast<double>(v.in.samples_per_bit));
    }
    int status = robust ? vardo::robust_capture(v) : capture_loop(v);
    source_close(v.in.src);
    return status;
}
