// wavsynth: plain test signals for checking a receiver chain or a decoder's
// front end: a bit pattern as two-level baseband, or as two-tone audio.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "synth/signals.h"
#include "synth/synth_cli.h"

static void usage(const char* prog) {
    std::fprintf(stderr,
                 "%s baseband|afsk [options]\n"
                 "  --pattern BITS     '0'/'1' characters to send (default 0101...)\n"
                 "  --repeat N         send the pattern N times (1)\n"
                 "  --baud R           bit rate (baseband 9600, afsk 1200)\n"
                 "  --tones F1 F0      afsk tones for 1 and 0 in Hz (1200 2200)\n",
                 prog);
    std::fputs(synth_common_usage(), stderr);
}

int main(int argc, char** argv) {
    if (argc < 2 || (std::strcmp(argv[1], "baseband") && std::strcmp(argv[1], "afsk"))) {
        usage(argv[0]);
        return 2;
    }
    const bool afsk = !std::strcmp(argv[1], "afsk");
    SynthOutput o;
    std::string pattern = "01010101010101010101";
    long repeat = 1;
    double baud = afsk ? 1200.0 : 9600.0, f1 = 1200.0, f0 = 2200.0;
    for (int i = 2; i < argc; i++) {
        int r = synth_parse_common(o, argc, argv, i);
        if (r < 0) return 2;
        if (r > 0) continue;
        if (!std::strcmp(argv[i], "--pattern") && i + 1 < argc) {
            pattern = argv[++i];
        } else if (!std::strcmp(argv[i], "--repeat") && i + 1 < argc) {
            repeat = std::strtol(argv[++i], nullptr, 10);
        } else if (!std::strcmp(argv[i], "--baud") && i + 1 < argc) {
            baud = std::strtod(argv[++i], nullptr);
        } else if (!std::strcmp(argv[i], "--tones") && i + 2 < argc) {
            f1 = std::strtod(argv[++i], nullptr);
            f0 = std::strtod(argv[++i], nullptr);
        } else {
            usage(argv[0]);
            return 2;
        }
    }
    if (baud <= 0.0 || repeat < 0) {
        usage(argv[0]);
        return 2;
    }
    std::vector<double> signal;
    if (afsk) {
        AfskGen g{static_cast<double>(o.wav.sample_rate), baud, f1, f0, o.amplitude};
        for (long k = 0; k < repeat; k++) afsk_bits(g, signal, pattern);
    } else {
        BasebandGen g{static_cast<double>(o.wav.sample_rate), baud, o.amplitude};
        for (long k = 0; k < repeat; k++) baseband_bits(g, signal, pattern);
    }
    return synth_finish(o, {}, signal) ? 0 : 1;
}
