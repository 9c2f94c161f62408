#include "sonderx/program.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <complex>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "io/sample_input.h"
#include "sonderx/iq_receivers.h"
#include "sonderx/kind_set.h"
#include "sonderx/options.h"
#include "sonderx/output.h"
#include "sonderx/progress.h"
#include "sonderx/receivers.h"
#include "sonderx/summary.h"

#ifndef SONDE_VERSION
#define SONDE_VERSION "unknown"
#endif

namespace sonde::sonderx {

namespace {

constexpr const char* kTryHelp = "Try 'sonderx --help' for the options.\n";

double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct Run {
    Output out;
    Summary summary;
    Progress progress;
};

void take_frame(void* ctx, const FrameReport& r) {
    Run& run = *static_cast<Run*>(ctx);
    summary_count(run.summary, r);
    output_frame(run.out, r);
}

void clear_progress(void* ctx) { progress_clear(*static_cast<Progress*>(ctx)); }

InputConfig input_config(const Options& o) {
    InputConfig c;
    c.mode = o.iq ? (o.iq_wav ? InputMode::wav_iq : InputMode::raw_iq)
                  : (o.raw ? InputMode::raw_audio : InputMode::recording);
    c.raw_format = o.iq ? o.iq_format : o.raw_format;
    c.rate_hz = o.rate_hz;
    c.channels = o.channels;
    c.channel = o.channel;
    return c;
}

// What to add to an input error's message: what to do about it.
const char* input_hint(const InputError& e, const Options& o) {
    switch (e.code) {
        case InputErrorCode::not_a_recording:
            if (o.iq)
                return "\nIf it holds raw I/Q samples (as rtl_sdr writes), give their format: --iq u8 --rate 250k";
            return o.raw ? ""
                         : "\nIf it holds raw samples (as rtl_fm writes), give their format and rate: "
                           "--raw s16le --rate 48000";
        case InputErrorCode::no_such_channel:
            return "\nChoose one of them with --channel N.";
        default:
            return "";
    }
}

constexpr float kIqLimit = 1e4f;

// Reads the I/Q capture to its end through the front end and the
// channels' receivers.
// With status_samples > 0, the carrier table on err_fd every so many
// samples of the capture.
void run_iq(SampleInput& in, IqReceivers& rx, Run& run, int err_fd, int64_t status_samples) {
    constexpr int kPairs = 8192;
    int64_t next_status = status_samples;
    auto block = std::make_unique<std::complex<float>[]>(kPairs);
    while (!run.out.failed) {
        const int n = input_read_iq(in, block.get(), kPairs);
        if (n <= 0) break;
        // Float captures need not stay within full scale; far beyond it
        // (1e4) they are no SDR's and would overflow the spectrum's sums.
        float* x = reinterpret_cast<float*>(block.get());
        for (int j = 0; j < 2 * n; j++) x[j] = std::clamp(x[j], -kIqLimit, kIqLimit);
        iq_receivers_feed(rx, reinterpret_cast<const float*>(block.get()), static_cast<std::size_t>(n));
        if (status_samples > 0 && in.samples >= next_status) {
            progress_clear(run.progress);
            fd_printf(err_fd, "sonderx: carriers after %.0f s\n",
                      static_cast<double>(in.samples) / static_cast<double>(in.format.rate_hz));
            carrier_table_write(err_fd, rx.carriers, rx.cfg.center_hz);
            while (next_status <= in.samples) next_status += status_samples;
        }
        progress_update(run.progress, in.bytes);
    }
    if (!run.out.failed) iq_receivers_flush(rx);
}

bool is_terminal_env_dumb() {
    const char* term = std::getenv("TERM");
    return term != nullptr && std::strcmp(term, "dumb") == 0;
}

}  // namespace

int program_main(int argc, char** argv, const ProgramIo& io) {
    Options o;
    std::string error;
    if (!parse_options(argc, argv, o, error)) {
        fd_printf(io.err_fd, "sonderx: %s\n%s", error.c_str(), kTryHelp);
        return kExitUsage;
    }
    if (o.help) {
        const char* h = help_text();
        return write_all(io.out_fd, h, std::strlen(h)) ? kExitOk : kExitInput;
    }
    if (o.version) {
        const char v[] = "sonderx " SONDE_VERSION "\n";
        return write_all(io.out_fd, v, sizeof v - 1) ? kExitOk : kExitInput;
    }

    // The input.
    auto in = std::make_unique<SampleInput>();
    const InputConfig cfg = input_config(o);
    const bool from_stdin = o.input.empty() || o.input == "-";
    InputError e;
    if (from_stdin && io.in_mem != nullptr) {
        e = input_open_memory(*in, io.in_mem, io.in_len, "standard input", cfg);
    } else if (from_stdin) {
        if (input_is_terminal(io.in_fd)) {
            fd_printf(io.err_fd,
                      "sonderx: standard input is a terminal, and samples cannot be typed: name a recording "
                      "(sonderx rec.wav) or pipe %s\n%s",
                      o.iq ? "I/Q samples in (rtl_sdr -f 403.5M -s 250k - | sonderx --iq u8 --rate 250k)"
                           : "audio in (rtl_fm -M fm -s 48k -f 403.5M - | sonderx --raw s16le --rate 48000)",
                      kTryHelp);
            return kExitUsage;
        }
        e = input_open_fd(*in, io.in_fd, "standard input", cfg);
    } else {
        e = input_open_file(*in, o.input.c_str(), cfg);
    }
    if (e.failed()) {
        fd_printf(io.err_fd, "sonderx: %s%s\n", e.message.c_str(), input_hint(e, o));
        return kExitInput;
    }
    const InputFormat& fmt = in->format;
    if (!o.quiet) fd_printf(io.err_fd, "sonderx: %s: %s\n", in->name.c_str(), describe_input_format(fmt).c_str());
    if (fmt.starts_like_wav)
        fd_printf(io.err_fd, "sonderx: %s starts with a WAV header but is read as raw samples (%s): %s\n",
                  in->name.c_str(), o.iq ? "--iq" : "--raw",
                  o.iq ? "read it with --iq wav" : "leave out --raw to read it as a recording");

    // From I/Q, the front end and its channels' receivers; the kinds run at
    // the front end's audio rate.
    std::unique_ptr<IqReceivers> iq;
    if (o.iq) {
        iq = std::make_unique<IqReceivers>();
        IqConfig c;
        c.rate_hz = fmt.rate_hz;
        c.center_hz = o.center_hz;
        c.offsets_hz = o.offsets_hz;
        c.demod = o.demod;
        for (int k = 0; k < kSondeKinds; k++) c.kinds[k] = o.kinds[k];
        if (!iq_receivers_init(*iq, c, ReportSink{take_frame, nullptr})) {
            fd_printf(io.err_fd, "sonderx: the I/Q receiver cannot work at %lld Hz\n",
                      static_cast<long long>(fmt.rate_hz));
            return kExitInput;
        }
        for (double hz : o.offsets_hz) {
            const double edge = 0.5 * static_cast<double>(fmt.rate_hz);
            if (hz <= -edge || hz >= edge)
                fd_printf(io.err_fd,
                          "sonderx: --offset %+.0f Hz is outside the capture (+-%.0f Hz): that channel hears nothing\n",
                          hz, edge);
        }
    }

    // The kinds at this rate.
    const KindSet kinds = iq ? iq->kinds : plan_kinds(o.kinds, fmt.rate_hz);
    if (const std::string m = unusable_kinds_message(kinds, fmt.rate_hz); !m.empty())
        fd_printf(io.err_fd, "sonderx: %s\n", m.c_str());
    if (kinds.running == 0) {
        fd_printf(io.err_fd, "sonderx: no chosen kind can work at %lld Hz: nothing to decode\n",
                  static_cast<long long>(fmt.rate_hz));
        return kExitInput;
    }

    // The output.
    auto run = std::make_unique<Run>();
    Output& out = run->out;
    int out_fd = io.out_fd;
    if (!o.out_path.empty()) {
        out_fd = ::open(o.out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (out_fd < 0) {
            fd_printf(io.err_fd, "sonderx: cannot write to %s: %s\n", o.out_path.c_str(), std::strerror(errno));
            return kExitInput;
        }
    }
    const bool out_terminal = ::isatty(out_fd) == 1;
    out.fd = out_fd;
    out.form = o.form;
    out.all = o.all;
    out.color =
        o.form == OutputForm::text && (o.color == ColorChoice::always ||
                                       (o.color == ColorChoice::automatic && out_terminal && !is_terminal_env_dumb()));
    out.header = o.form == OutputForm::text && out_terminal;
    if (o.iq) out.carrier = o.center_hz > 0 ? CarrierColumns::frequency : CarrierColumns::offset;

    struct stat st {};
    const bool regular =
        !from_stdin && fmt.container != Container::sndfile && ::fstat(in->src.fd, &st) == 0 && S_ISREG(st.st_mode);
    progress_init(run->progress, io.err_fd, regular ? static_cast<int64_t>(st.st_size) : 0,
                  !o.quiet && ::isatty(io.err_fd) == 1);
    if (out_terminal) {
        // Frames and the bar share the terminal: the bar gives way to each line.
        out.before_write = clear_progress;
        out.ctx = &run->progress;
    }
    output_start(out);

    const double cpu0 = cpu_seconds();
    if (iq) {
        iq->out.ctx = run.get();
        const auto status_samples = static_cast<int64_t>(o.status_s * static_cast<double>(fmt.rate_hz));
        run_iq(*in, *iq, *run, io.err_fd, status_samples);
    } else {
        auto rx = std::make_unique<Receivers>();
        receivers_init(*rx, kinds, fmt.rate_hz);
        const ReportSink sink{take_frame, run.get()};
        auto block = std::make_unique<float[]>(kStreamBlock);
        while (!out.failed) {
            const int n = input_read(*in, block.get(), kStreamBlock);
            if (n <= 0) break;
            receivers_feed(*rx, block.get(), n, sink);
            progress_update(run->progress, in->bytes);
        }
    }
    const double cpu = cpu_seconds() - cpu0;
    progress_clear(run->progress);
    if (out_fd != io.out_fd && ::close(out_fd) != 0 && !out.failed) {
        out.failed = true;
        out.error_no = errno;
    }
    if (out.failed) {
        if (out.error_no == EPIPE) return kExitOk;  // the reader has gone: end quietly
        fd_printf(io.err_fd, "sonderx: cannot write to %s: %s\n",
                  o.out_path.empty() ? "standard output" : o.out_path.c_str(), std::strerror(out.error_no));
        return kExitInput;
    }
    if (iq) {
        run->summary.iq = true;
        run->summary.carriers = static_cast<int64_t>(iq->opened);
        run->summary.suppressed = static_cast<int64_t>(iq->suppressed);
    }
    if (!o.quiet) {
        summary_write(io.err_fd, run->summary, kinds, in->samples, fmt.rate_hz, cpu);
        if (iq) carrier_table_write(io.err_fd, iq->carriers, o.center_hz);
    }
    return kExitOk;
}

}  // namespace sonde::sonderx
