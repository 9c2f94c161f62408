// rxchain: a clean synthesizer recording in, what an FM receiver makes of
// it out (see rx_chain.h for the model). Reads a WAV file or standard input
// and writes a WAV stream, block by block, so it works between pipes with
// bounded memory. With --no-carrier and --seconds it needs no input at all:
// receiver noise alone, for false-frame runs of any length. With --iq-out
// it writes instead the complex baseband an SDR delivers (iq_capture.h),
// from one recording or, with --mix, from several at once.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "iq_program.h"
#include "rx_chain.h"
#include "sonde_option.h"
#include "synth/wav_writer.h"
#include "io/wav_input.h"

using sonde::read_signed_samples;
using sonde::WavInput;

namespace {

void usage() {
    std::fputs(
        "rxchain [options] [clean.wav]   (no file or '-': standard input)\n"
        "  --profile P        vardo (2400 Hz deviation, Eb per 9600 bit/s channel bit),\n"
        "                     pelkin (2400 Hz, 4800 bit/s), afsk or ostrel (3500 Hz,\n"
        "                     1200 bit/s, channel 2 * (3500 + 2200) Hz, 20 Hz high-pass) (vardo)\n"
        "  --ebn0 DB          Eb/N0 of the added noise (none when not given)\n"
        "  --bitrate R        bit rate that Eb is counted per\n"
        "  --deviation HZ     FM deviation of the input's peak\n"
        "  --bw HZ            channel filter's noise-equivalent width (2 * deviation + bit rate)\n"
        "  --post HZ          post-detection low-pass (min(bw / 2, 0.45 * audio rate))\n"
        "  --offset HZ        carrier offset (0)\n"
        "  --drift HZ/S       linear carrier drift (0)\n"
        "  --highpass         20 Hz 2nd-order Butterworth high-pass (--no-highpass: off)\n"
        "  --deemph US        de-emphasis time constant, 50 or 75 (0: none)\n"
        "  --bits 8|16        output sample width (16)\n"
        "  --seed N           noise seed (1)\n"
        "  --peak X           input level taken as the peak, full scale 1.0 (a file is\n"
        "                     measured; on standard input 0.5, the synthesizers' level)\n"
        "  --duration S       audio length for the output's full scale when the input\n"
        "                     is a pipe (the drift term; a file is measured)\n"
        "  --no-carrier       receiver noise alone\n"
        "  --seconds S        with --no-carrier and no input: S seconds of it\n"
        "  --rate HZ          audio rate with --seconds (48000)\n"
        "  --info             write the chain's parameters to standard error\n"
        "  -o FILE            output ('-' for standard output, the default)\n"
        "Output full scale is (deviation + |offset| + |drift| * duration) / 0.5 Hz.\n"
        "I/Q output (complex baseband before any channel filter; see docs/simulator.md):\n"
        "  --iq-out F         u8, s8, s16le, f32le or wav (two channels, I left, Q right)\n"
        "  --iq-rate HZ       sample rate, 96k to 3.2M, as 250000, 250k or 2.048M (250k)\n"
        "  --offset HZ        the carrier's offset from the capture's centre (k, M suffixes)\n"
        "  --clock-ppm PPM    the capture's sample clock this far off (0)\n"
        "  --dc-spike DBFS    a DC offset at this level, full scale 0 dB\n"
        "  --iq-imbalance G,P Q's gain (dB) and phase (degrees) error: an image at -offset\n"
        "  --duration S       capture length (the recording's, or the last sonde's end)\n"
        "  --mix              several recordings in one capture, each given by\n"
        "  --sonde FILE[:kind=K][:ebn0=DB][:offset=HZ][:drift=HZ/S][:start=S][:stop=S]\n"
        "                     kind vardo, pelkin or ostrel; Eb/N0 against the common noise;\n"
        "                     left out: --profile, --ebn0, --offset, --drift, 0, the end\n"
        "Integer formats hold the RMS of I and Q at 25 % of full scale and clip beyond it.\n",
        stderr);
}

// Output samples, clipped at full scale, rounded to nearest.
void quantize(const float* y, int n, double gain, int bits, char* out) {
    const float top = bits == 16 ? 32767.0f : 127.0f;
    const float g = static_cast<float>(gain) * top;
    for (int i = 0; i < n; i++) {
        float v = y[i] * g;
        v = v > top ? top : (v < -top ? -top : v);
        const int q = static_cast<int>(v + (v >= 0.0f ? 0.5f : -0.5f));
        if (bits == 16) {
            out[2 * i] = static_cast<char>(q & 0xFF);
            out[2 * i + 1] = static_cast<char>((q >> 8) & 0xFF);
        } else {
            out[i] = static_cast<char>(q + 128);
        }
    }
}

bool write_all(std::FILE* f, const std::string& s) { return std::fwrite(s.data(), 1, s.size(), f) == s.size(); }

// A message and the exit status of a bad command line.
int bad(const std::string& why) {
    std::fprintf(stderr, "rxchain: %s\n", why.c_str());
    return 2;
}

// The capture of one recording (or of noise alone): the audio chain's
// options, read as I/Q. Returns why they make none, "" when they make one.
std::string single_sonde(const rxchain::ChainConfig& cfg, const std::string& profile, const char* in_path,
                         double seconds, double peak, bool has_sondes, rxchain::IqOptions& o) {
    if (has_sondes) return "--sonde needs --mix";
    // Without a carrier the noise is all there is; its level is the AGC's.
    o.capture.noise = cfg.noise || !cfg.carrier;
    o.capture.seed = cfg.seed;
    if (!cfg.carrier && seconds >= 0 && !in_path) {
        if (o.duration_s >= 0) return "--seconds or --duration, not both";
        o.duration_s = seconds;
        return "";
    }
    if (seconds >= 0) return "--seconds needs --no-carrier and no input file";
    if (std::fabs(cfg.offset_hz) >= o.capture.rate / 2) return "the offset lies outside the capture's band";
    o.sondes.push_back({.path = in_path ? in_path : "-",
                        .kind = profile,
                        .deviation_hz = cfg.deviation_hz,
                        .bit_rate = cfg.bit_rate,
                        .ebn0_db = cfg.ebn0_db,
                        .peak = peak,
                        .offset_hz = cfg.offset_hz,
                        .drift_hz_per_s = cfg.drift_hz_per_s,
                        .carrier = cfg.carrier});
    return "";
}

// The mix: each --sonde, its left-out keys from the options of the same
// meaning. Returns why it makes none, "" when it makes one.
std::string mix_sondes(const std::vector<rxchain::SondeOption>& sonde_args, const rxchain::ChainConfig& cfg,
                       const std::string& profile, bool single_options, rxchain::IqOptions& o) {
    if (single_options)
        return "--mix takes its recordings from --sonde only (no input file, --no-carrier, --seconds, --peak, "
               "--deviation or --bitrate)";
    o.capture.noise = true;
    o.capture.seed = cfg.seed;
    for (const rxchain::SondeOption& sp : sonde_args) {
        rxchain::ChainConfig k;
        const std::string kind = sp.kind.empty() ? profile : sp.kind;
        if (kind.empty() || !rxchain::chain_profile(kind, k)) return sp.path + ": no kind (kind= or --profile)";
        if (std::isnan(sp.ebn0_db) && !cfg.noise) return sp.path + ": no level (ebn0= or --ebn0)";
        const double offset = std::isnan(sp.offset_hz) ? cfg.offset_hz : sp.offset_hz;
        if (std::fabs(offset) >= o.capture.rate / 2) return sp.path + ": the offset lies outside the capture's band";
        o.sondes.push_back({.path = sp.path,
                            .kind = kind,
                            .deviation_hz = k.deviation_hz,
                            .bit_rate = k.bit_rate,
                            .ebn0_db = std::isnan(sp.ebn0_db) ? cfg.ebn0_db : sp.ebn0_db,
                            .offset_hz = offset,
                            .drift_hz_per_s = std::isnan(sp.drift_hz_per_s) ? cfg.drift_hz_per_s : sp.drift_hz_per_s,
                            .start_s = sp.start_s,
                            .stop_s = sp.stop_s});
    }
    if (o.sondes.empty() && o.duration_s < 0) return "a mix of no sondes needs --duration";
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    rxchain::ChainConfig cfg;
    rxchain::chain_profile("vardo", cfg);
    cfg.noise = false;
    double deviation = -1, bitrate = -1, bw = -1, peak = -1, duration = -1, seconds = -1;
    int highpass = -1, out_bits = 16, rate = 48000;
    bool info = false;
    std::string out_path = "-";
    const char* in_path = nullptr;
    // I/Q output; the audio chain's options it has no use for, named when given.
    bool iq = false, mix = false, profile_given = false;
    rxchain::IqOptions iqo;
    std::vector<rxchain::SondeOption> sonde_args;
    std::string profile = "vardo", audio_only, iq_only;
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        const bool has = i + 1 < argc;
        auto num = [&](double& v) {
            char* end = nullptr;
            v = std::strtod(argv[++i], &end);
            return *end == '\0' && std::isfinite(v);
        };
        double v = 0;
        bool ok = true;
        if (!std::strcmp(a, "-h") || !std::strcmp(a, "--help")) {
            usage();
            return 0;
        } else if (!std::strcmp(a, "--profile") && has) {
            profile = argv[++i];
            profile_given = true;
            ok = rxchain::chain_profile(profile, cfg);
        } else if (!std::strcmp(a, "--ebn0") && has) {
            ok = num(cfg.ebn0_db);
            cfg.noise = true;
        } else if (!std::strcmp(a, "--bitrate") && has) {
            ok = num(bitrate) && bitrate > 0;
        } else if (!std::strcmp(a, "--deviation") && has) {
            ok = num(deviation) && deviation > 0;
        } else if (!std::strcmp(a, "--bw") && has) {
            audio_only = a;
            ok = num(bw) && bw > 0;
        } else if (!std::strcmp(a, "--post") && has) {
            audio_only = a;
            ok = num(cfg.post_cutoff_hz) && cfg.post_cutoff_hz > 0;
        } else if (!std::strcmp(a, "--offset") && has) {
            ok = rxchain::parse_hz(argv[++i], cfg.offset_hz);
        } else if (!std::strcmp(a, "--drift") && has) {
            ok = num(cfg.drift_hz_per_s);
        } else if (!std::strcmp(a, "--highpass")) {
            audio_only = a;
            highpass = 1;
        } else if (!std::strcmp(a, "--no-highpass")) {
            audio_only = a;
            highpass = 0;
        } else if (!std::strcmp(a, "--deemph") && has) {
            audio_only = a;
            ok = num(cfg.deemphasis_us) && cfg.deemphasis_us >= 0;
        } else if (!std::strcmp(a, "--bits") && has) {
            audio_only = a;
            ok = num(v) && (v == 8 || v == 16);
            out_bits = static_cast<int>(v);
        } else if (!std::strcmp(a, "--seed") && has) {
            ok = num(v) && v >= 0;
            cfg.seed = static_cast<uint64_t>(v);
        } else if (!std::strcmp(a, "--peak") && has) {
            ok = num(peak) && peak > 0;
        } else if (!std::strcmp(a, "--duration") && has) {
            ok = num(duration) && duration >= 0;
        } else if (!std::strcmp(a, "--no-carrier")) {
            cfg.carrier = false;
        } else if (!std::strcmp(a, "--seconds") && has) {
            ok = num(seconds) && seconds >= 0;
        } else if (!std::strcmp(a, "--rate") && has) {
            audio_only = a;
            ok = num(v) && v >= 1000 && v <= 768000;
            rate = static_cast<int>(v);
        } else if (!std::strcmp(a, "--iq-out") && has) {
            ok = rxchain::iq_format_from_name(argv[++i], iqo.format);
            iq = true;
        } else if (!std::strcmp(a, "--iq-rate") && has) {
            // A whole number of hertz; "2.048M" may land a hair off it in floating point.
            double hz = 0;
            ok =
                rxchain::parse_hz(argv[++i], hz) && std::fabs(hz - std::round(hz)) < 1e-6 && hz >= 96000 && hz <= 3.2e6;
            iqo.capture.rate = std::round(hz);
            iq_only = a;
        } else if (!std::strcmp(a, "--clock-ppm") && has) {
            ok = num(iqo.capture.clock_ppm) && std::fabs(iqo.capture.clock_ppm) <= 1000;
            iq_only = a;
        } else if (!std::strcmp(a, "--dc-spike") && has) {
            ok = num(iqo.capture.dc_dbfs) && iqo.capture.dc_dbfs <= 0;
            iqo.capture.dc_spike = true;
            iq_only = a;
        } else if (!std::strcmp(a, "--iq-imbalance") && has) {
            const std::string_view gp = argv[++i];
            const std::size_t comma = gp.find(',');
            ok = comma != std::string_view::npos &&
                 rxchain::parse_number(gp.substr(0, comma), iqo.capture.image_gain_db) &&
                 rxchain::parse_number(gp.substr(comma + 1), iqo.capture.image_phase_deg) &&
                 std::fabs(iqo.capture.image_gain_db) <= 6 && std::fabs(iqo.capture.image_phase_deg) <= 45;
            iq_only = a;
        } else if (!std::strcmp(a, "--mix")) {
            mix = true;
            iq_only = a;
        } else if (!std::strcmp(a, "--sonde") && has) {
            std::string why;
            sonde_args.emplace_back();
            if (!rxchain::parse_sonde_option(argv[++i], sonde_args.back(), why))
                return bad(std::string("--sonde ") + argv[i] + ": " + why);
            iq_only = a;
        } else if (!std::strcmp(a, "--info")) {
            info = true;
        } else if (!std::strcmp(a, "-o") && has) {
            out_path = argv[++i];
        } else if (a[0] != '-' || !std::strcmp(a, "-")) {
            in_path = a;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "rxchain: bad argument near '%s'\n", a);
            usage();
            return 2;
        }
    }
    if (deviation > 0) cfg.deviation_hz = deviation;
    if (bitrate > 0) cfg.bit_rate = bitrate;
    if (!iq && !iq_only.empty()) return bad(iq_only + " needs --iq-out");
    if (iq) {
        if (!audio_only.empty()) return bad(audio_only + " is for the audio output");
        iqo.info = info;
        iqo.out_path = out_path;
        iqo.duration_s = duration;
        const std::string why =
            mix ? mix_sondes(sonde_args, cfg, profile_given ? profile : "",
                             in_path || seconds >= 0 || !cfg.carrier || peak > 0 || deviation > 0 || bitrate > 0, iqo)
                : single_sonde(cfg, profile, in_path, seconds, peak, !sonde_args.empty(), iqo);
        return why.empty() ? rxchain::iq_run(iqo) : bad(why);
    }
    if (bw > 0) cfg.channel_bw_hz = bw;
    if (highpass >= 0) cfg.highpass = highpass == 1;
    const bool generate = !cfg.carrier && seconds >= 0 && !in_path;
    if (seconds >= 0 && !generate) return bad("--seconds needs --no-carrier and no input file");

    // Input: a named file is scanned first for its peak and length.
    auto in = std::make_unique<WavInput>();
    uint64_t total = 0;  // input samples, 0 when unknown
    if (generate) {
        total = static_cast<uint64_t>(std::llround(seconds * rate));
        duration = seconds;
    } else {
        const bool named = in_path && std::strcmp(in_path, "-") != 0;
        if (!rxchain::open_recording(named ? in_path : "-", peak, *in, cfg.input_peak, total)) return 1;
        rate = in->sample_rate;
        if (named) duration = static_cast<double>(total) / rate;
    }
    cfg.audio_rate = rate;
    auto chain = std::make_unique<rxchain::RxChain>();
    if (!rxchain::chain_init(*chain, cfg))
        return bad("these settings make no receiver (rate " + std::to_string(rate) + " Hz)");
    const double full_scale = rxchain::chain_full_scale(cfg, duration > 0 ? duration : 0.0);
    if (info)
        std::fprintf(stderr,
                     "rxchain: audio %d Hz, intermediate %.0f Hz, deviation %.0f Hz, Eb/N0 %s%.2f dB per %.0f bit/s, "
                     "channel %.1f Hz noise-equivalent (%zu taps), post-detection %.1f Hz (%zu taps), delay %d, "
                     "full scale %.1f Hz\n",
                     rate, chain->fs, cfg.deviation_hz, cfg.noise ? "" : "(none) ", cfg.ebn0_db, cfg.bit_rate,
                     chain->bw_hz, chain->chan.size(), chain->post_hz, chain->post.size(), chain->delay, full_scale);

    std::FILE* out = out_path == "-" ? stdout : std::fopen(out_path.c_str(), "wb");
    if (!out) {
        std::fprintf(stderr, "rxchain: cannot write %s\n", out_path.c_str());
        return 1;
    }
    WavSpec out_wav{rate, out_bits, 1, 0, WavHeaderStyle::plain};
    const uint64_t bytes_per = static_cast<uint64_t>(out_bits / 8);
    if (total == 0 && !generate) out_wav.style = WavHeaderStyle::sizes_max;
    if (!write_all(out, wav_header(out_wav, total * bytes_per))) return 1;

    // Output lags input by chain->delay samples: the first ones are dropped
    // and the same number of silent input samples flush the end.
    constexpr int kBlock = 8192;
    std::vector<int> raw(kBlock);
    std::vector<float> x(kBlock), y(kBlock);
    std::string bytes;
    bytes.reserve(kBlock * 2);
    uint64_t to_skip = static_cast<uint64_t>(chain->delay), fed = 0;
    int64_t flush = chain->delay;
    const double gain = 1.0 / full_scale;
    for (;;) {
        int n = 0;
        if (generate) {
            n = static_cast<int>(std::min<uint64_t>(kBlock, total - fed));
            std::fill(x.begin(), x.begin() + n, 0.0f);
        } else {
            n = read_signed_samples(*in, raw.data(), kBlock);
            for (int i = 0; i < n; i++)
                x[static_cast<std::size_t>(i)] = static_cast<float>(raw[static_cast<std::size_t>(i)]);
        }
        fed += static_cast<uint64_t>(n);
        if (n == 0) {
            if (flush <= 0) break;
            n = static_cast<int>(std::min<int64_t>(flush, kBlock));
            std::fill(x.begin(), x.begin() + n, 0.0f);
            flush -= n;
        }
        rxchain::chain_process(*chain, x.data(), y.data(), static_cast<std::size_t>(n));
        const int skip = static_cast<int>(std::min<uint64_t>(to_skip, static_cast<uint64_t>(n)));
        to_skip -= static_cast<uint64_t>(skip);
        bytes.resize(static_cast<std::size_t>(n - skip) * bytes_per);
        quantize(y.data() + skip, n - skip, gain, out_bits, bytes.data());
        // Each block leaves at once, so a live stream is not held in a buffer.
        if (!write_all(out, bytes) || std::fflush(out) != 0) return 1;
    }
    if (std::fflush(out) != 0) return 1;
    if (out != stdout) std::fclose(out);
    return 0;
}
