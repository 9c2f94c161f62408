#include "iq_program.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "synth/wav_writer.h"
#include "io/wav_input.h"

namespace rxchain {

namespace {

// Opens one transmitter's recording and sets it up for the capture.
bool open_sonde(const IqSonde& sd, const IqCapture& cap, FmSource& src) {
    auto in = std::make_unique<sonde::WavInput>();
    FmSourceConfig fc;
    uint64_t count = 0;
    if (!open_recording(sd.path, sd.peak, *in, fc.input_peak, count)) return false;
    fc.deviation_hz = sd.deviation_hz;
    fc.amplitude = !sd.carrier ? 0.0 : cap.cfg.noise ? capture_amplitude(cap.cfg, sd.ebn0_db, sd.bit_rate) : 1.0;
    fc.offset_hz = sd.offset_hz;
    fc.drift_hz_per_s = sd.drift_hz_per_s;
    fc.start_s = sd.start_s;
    fc.stop_s = sd.stop_s;
    fc.audio_samples = sd.path != "-" ? static_cast<int64_t>(count) : -1;
    const int rate = in->sample_rate;
    if (!fm_source_init(src, fc, std::move(in), capture_true_rate(cap.cfg))) {
        std::fprintf(stderr, "rxchain: %s makes no transmitter (audio rate %d Hz)\n", sd.path.c_str(), rate);
        return false;
    }
    return true;
}

bool write_all(std::FILE* f, const void* p, std::size_t n) { return std::fwrite(p, 1, n, f) == n; }

// First pass over a named WAV file: its largest sample magnitude (in the
// file's integer units) and its length in samples.
bool scan_wav_file(const char* path, int& peak, uint64_t& count) {
    auto in = std::make_unique<sonde::WavInput>();
    if (!sonde::source_open_file(in->src, path)) return false;
    bool ok = sonde::read_wav_header(*in, -1) == 0;
    std::vector<int> buf(4096);
    while (ok) {
        const int n = sonde::read_signed_samples(*in, buf.data(), static_cast<int>(buf.size()));
        if (n == 0) break;
        for (int i = 0; i < n; i++) peak = std::max(peak, std::abs(buf[static_cast<std::size_t>(i)]));
        count += static_cast<uint64_t>(n);
    }
    sonde::source_close(in->src);
    return ok;
}

}  // namespace

bool open_recording(const std::string& path, double peak, sonde::WavInput& in, double& input_peak, uint64_t& count) {
    const bool named = path != "-";
    int file_peak = 0;
    count = 0;
    if (named && !scan_wav_file(path.c_str(), file_peak, count)) {
        std::fprintf(stderr, "rxchain: cannot read %s as WAV\n", path.c_str());
        return false;
    }
    if (named ? !sonde::source_open_file(in.src, path.c_str()) : (sonde::source_open_fd(in.src, 0), false))
        return false;
    if (sonde::read_wav_header(in, -1) != 0) {
        std::fprintf(stderr, "rxchain: %s is no WAV stream this program reads\n", named ? path.c_str() : "the input");
        return false;
    }
    const double full = in.bits_sample == 16 ? 32767.0 : 127.0;
    if (peak <= 0.0) peak = named && file_peak > 0 ? file_peak / full : 0.5;
    input_peak = peak * full;
    return true;
}

int iq_run(const IqOptions& o) {
    auto cap = std::make_unique<IqCapture>();
    if (!capture_init(*cap, o.capture)) {
        std::fprintf(stderr, "rxchain: these settings make no capture\n");
        return 2;
    }
    const double fs = capture_true_rate(o.capture);
    std::vector<std::unique_ptr<FmSource>> sources;
    std::vector<FmSource*> list;
    for (const IqSonde& sd : o.sondes) {
        sources.push_back(std::make_unique<FmSource>());
        if (!open_sonde(sd, *cap, *sources.back())) return 1;
        list.push_back(sources.back().get());
    }

    // The length: as asked, else until the last transmitter is off (found
    // on the way when a recording comes from a pipe).
    int64_t total = -1;
    auto last_off = [&]() {
        int64_t end = 0;
        for (const FmSource* s : list) {
            if (!s->off_known) return int64_t{-1};
            end = std::max(end, s->off);
        }
        return end;
    };
    if (o.duration_s >= 0.0)
        total = std::llround(o.duration_s * o.capture.rate);
    else
        total = last_off();
    if (total < 0 && list.empty()) {
        std::fprintf(stderr, "rxchain: nothing sets the capture's length\n");
        return 2;
    }

    if (o.info) {
        const double n0 = 1.0 / fs;
        std::fprintf(stderr, "rxchain: I/Q at %.0f S/s (true %.3f S/s, %+.1f ppm), noise %s, N0 %.4g per Hz\n",
                     o.capture.rate, fs, o.capture.clock_ppm, o.capture.noise ? "on" : "off", n0);
        for (std::size_t i = 0; i < list.size(); i++) {
            const IqSonde& sd = o.sondes[i];
            const FmSource& s = *list[i];
            const double c = s.cfg.amplitude * s.cfg.amplitude;
            char cn0[40] = "";
            if (o.capture.noise && c > 0)
                std::snprintf(cn0, sizeof cn0, " (C/N0 %.2f dB-Hz)", 10.0 * std::log10(c / n0));
            const std::string off = s.off_known ? std::to_string(s.off) : "the input's end";
            std::fprintf(stderr,
                         "rxchain: %s %s: deviation %.0f Hz, %.0f bit/s, amplitude %.4g%s, offset %.0f Hz, drift %g "
                         "Hz/s, samples %lld..%s\n",
                         sd.kind.c_str(), sd.path.c_str(), sd.deviation_hz, sd.bit_rate, s.cfg.amplitude, cn0,
                         sd.offset_hz, sd.drift_hz_per_s, static_cast<long long>(s.on), off.c_str());
        }
    }

    std::FILE* out = o.out_path == "-" ? stdout : std::fopen(o.out_path.c_str(), "wb");
    if (!out) {
        std::fprintf(stderr, "rxchain: cannot write %s\n", o.out_path.c_str());
        return 1;
    }
    const int bytes_per = iq_sample_bytes(o.format);
    if (o.format == IqFormat::wav) {
        WavSpec wav{static_cast<int>(o.capture.rate), 16, 2, 0, WavHeaderStyle::plain};
        if (total < 0) wav.style = WavHeaderStyle::sizes_max;
        const std::string h = wav_header(wav, total < 0 ? 0 : static_cast<uint64_t>(total) * 4u);
        if (!write_all(out, h.data(), h.size())) return 1;
    }

    std::vector<unsigned char> bytes(static_cast<std::size_t>(kCaptureBlock * bytes_per));
    long long clipped = 0;
    int64_t written = 0;
    for (;;) {
        const int64_t first = cap->next;
        int n = total >= 0 ? static_cast<int>(std::min<int64_t>(kCaptureBlock, total - first)) : kCaptureBlock;
        if (n <= 0) break;
        capture_block(*cap, list.data(), static_cast<int>(list.size()), n);
        if (total < 0) {
            total = last_off();
            if (total >= 0) n = static_cast<int>(std::clamp<int64_t>(total - first, 0, n));
        }
        clipped += iq_encode(o.format, cap->out_i.data(), cap->out_q.data(), n, bytes.data());
        // Each block leaves at once, so a live stream is not held in a buffer.
        if (!write_all(out, bytes.data(), static_cast<std::size_t>(n) * static_cast<std::size_t>(bytes_per)) ||
            std::fflush(out) != 0)
            return 1;
        written += n;
    }
    if (std::fflush(out) != 0) return 1;
    if (out != stdout) std::fclose(out);
    if (o.info)
        std::fprintf(stderr, "rxchain: %lld samples, %lld of their values clipped\n", static_cast<long long>(written),
                     clipped);
    return 0;
}

}  // namespace rxchain
