#include "synth/synth_cli.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "synth/signals.h"

bool parse_double(const char* s, double& v) {
    char* end = nullptr;
    v = std::strtod(s, &end);
    return end != s && *end == '\0';
}

namespace {

bool parse_long(const char* s, long& v) {
    char* end = nullptr;
    v = std::strtol(s, &end, 10);
    return end != s && *end == '\0';
}

// Each frame as a line of upper-case hexadecimal.
std::string sent_text(const std::vector<std::vector<uint8_t>>& frames) {
    std::string text;
    for (const auto& f : frames) {
        for (uint8_t b : f) {
            static const char digits[] = "0123456789ABCDEF";
            text.push_back(digits[b >> 4]);
            text.push_back(digits[b & 15]);
        }
        text.push_back('\n');
    }
    return text;
}

// write_file, with a message when it fails.
bool save(const std::string& path, const std::string& bytes) {
    if (write_file(path, bytes)) return true;
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
}

}  // namespace

int synth_parse_common(SynthOutput& o, int argc, char** argv, int& i) {
    const char* a = argv[i];
    auto value = [&](const char*& v) {
        if (i + 1 >= argc) {
            std::fprintf(stderr, "%s needs a value\n", a);
            return false;
        }
        v = argv[++i];
        return true;
    };
    const char* v = nullptr;
    double d;
    long l;
    if (!std::strcmp(a, "--rate")) {
        if (!value(v) || !parse_long(v, l) || l < 1) return std::fprintf(stderr, "bad --rate\n"), -1;
        o.wav.sample_rate = static_cast<int>(l);
    } else if (!std::strcmp(a, "--bits")) {
        if (!value(v) || !parse_long(v, l) || (l != 8 && l != 16))
            return std::fprintf(stderr, "--bits is 8 or 16\n"), -1;
        o.wav.bits = static_cast<int>(l);
    } else if (!std::strcmp(a, "--stereo")) {
        o.wav.channels = 2;
    } else if (!std::strcmp(a, "--channel")) {
        if (!value(v) || !parse_long(v, l) || l < 0 || l > 1) return std::fprintf(stderr, "--channel is 0 or 1\n"), -1;
        o.wav.signal_channel = static_cast<int>(l);
        if (l == 1) o.wav.channels = 2;
    } else if (!std::strcmp(a, "--header")) {
        if (!value(v)) return -1;
        static constexpr std::pair<const char*, WavHeaderStyle> kStyles[] = {{"plain", WavHeaderStyle::plain},
                                                                             {"list", WavHeaderStyle::list_chunk},
                                                                             {"fmt18", WavHeaderStyle::fmt18},
                                                                             {"zero", WavHeaderStyle::sizes_zero},
                                                                             {"max", WavHeaderStyle::sizes_max}};
        for (const auto& [name, style] : kStyles)
            if (!std::strcmp(v, name)) return o.wav.style = style, 1;
        return std::fprintf(stderr, "--header is plain, list, fmt18, zero or max\n"), -1;
    } else if (!std::strcmp(a, "--amplitude")) {
        if (!value(v) || !parse_double(v, d) || d <= 0.0 || d > 1.0)
            return std::fprintf(stderr, "bad --amplitude\n"), -1;
        o.amplitude = d;
    } else if (!std::strcmp(a, "--invert")) {
        o.invert = true;
    } else if (!std::strcmp(a, "--snr")) {
        if (!value(v) || !parse_double(v, d)) return std::fprintf(stderr, "bad --snr\n"), -1;
        o.noise = true;
        o.snr_db = d;
    } else if (!std::strcmp(a, "--seed")) {
        if (!value(v) || !parse_long(v, l)) return std::fprintf(stderr, "bad --seed\n"), -1;
        o.seed = static_cast<uint64_t>(l);
    } else if (!std::strcmp(a, "--dc")) {
        if (!value(v) || !parse_double(v, d)) return std::fprintf(stderr, "bad --dc\n"), -1;
        o.dc = d;
    } else if (!std::strcmp(a, "--drift")) {
        if (!value(v) || !parse_double(v, d)) return std::fprintf(stderr, "bad --drift\n"), -1;
        o.drift = d;
    } else if (!std::strcmp(a, "--drift-period")) {
        if (!value(v) || !parse_double(v, d) || d <= 0.0) return std::fprintf(stderr, "bad --drift-period\n"), -1;
        o.drift_period_s = d;
    } else if (!std::strcmp(a, "--smooth")) {
        if (!value(v) || !parse_long(v, l) || l < 0) return std::fprintf(stderr, "bad --smooth\n"), -1;
        o.smooth_taps = static_cast<int>(l);
    } else if (!std::strcmp(a, "-o")) {
        if (!value(v)) return -1;
        o.out_path = v;
    } else if (!std::strcmp(a, "--sent")) {
        if (!value(v)) return -1;
        o.sent_path = v;
    } else {
        return 0;
    }
    return 1;
}

const char* synth_common_usage() {
    return "  --rate HZ          sample rate (48000)\n"
           "  --bits 8|16        sample width (16)\n"
           "  --stereo           two channels, signal on channel 0\n"
           "  --channel 0|1      channel that carries the signal (1 implies --stereo)\n"
           "  --header STYLE     plain, list (extra LIST chunk), fmt18 (18-byte fmt chunk),\n"
           "                     zero or max (size fields 0 or 0xFFFFFFFF)\n"
           "  --amplitude A      signal peak, full scale 1.0 (0.5)\n"
           "  --invert           reversed polarity\n"
           "  --snr DB           add Gaussian noise at this signal-to-noise ratio\n"
           "  --seed N           noise seed (1)\n"
           "  --dc X             constant offset, full scale 1.0\n"
           "  --drift X          slow sinusoidal offset wander of amplitude X\n"
           "  --drift-period S   period of the wander in seconds (4)\n"
           "  --smooth N         moving-average low-pass over N samples\n"
           "  -o FILE            output file ('-' for standard output, the default)\n"
           "  --sent FILE        write the frames sent, one line of hexadecimal each\n";
}

bool synth_finish(const SynthOutput& o, const std::vector<std::vector<uint8_t>>& sent, std::vector<double>& signal) {
    if (!o.sent_path.empty() && !save(o.sent_path, sent_text(sent))) return false;
    if (o.invert)
        for (double& x : signal) x = -x;
    smooth(signal, o.smooth_taps);
    if (o.dc != 0.0) add_dc(signal, o.dc);
    if (o.drift != 0.0) add_dc_drift(signal, o.wav.sample_rate, o.drift, o.drift_period_s);
    if (o.noise) add_noise(signal, o.snr_db, o.seed);
    return save(o.out_path, wav_file(o.wav, signal));
}
