// pelkin-synth: a recording of pelkin frames from field values.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "pelkin/pelkin_synth.h"
#include "synth/synth_cli.h"

namespace {
void usage(const char* prog) {
    std::fprintf(stderr,
                 "%s [options]\n"
                 "  --frames N         number of frames (1); the time advances 1 s per frame\n"
                 "  --lat DEG          latitude (48.123456)\n"
                 "  --lon DEG          longitude (11.654321)\n"
                 "  --alt M            altitude in metres (1234.56)\n"
                 "  --vel E N U        velocity east, north, up in cm/s (300 400 -250)\n"
                 "  --time HHMMSSmmm   GPS time of the first frame (123456789)\n"
                 "  --date DDMMYY      GPS date (61226)\n"
                 "  --sats N --fix N   satellites and fix status (7, 3)\n"
                 "  --extra-aa K       0xAA groups after the sync word, 0 to 3 (0)\n"
                 "  --bad-crc          send every frame with a wrong CRC\n"
                 "  --gap BITS         idle bits after each frame (4270: one frame per second)\n"
                 "  --lead BITS        idle bits before the first frame (100)\n",
                 prog);
    std::fputs(synth_common_usage(), stderr);
}

bool number(int argc, char** argv, int& i, double& v) { return i + 1 < argc && parse_double(argv[++i], v); }

long rounded(double v) { return static_cast<long>(v < 0 ? v - 0.5 : v + 0.5); }
}  // namespace

int main(int argc, char** argv) {
    SynthOutput o;
    PelkinFields f;
    PelkinTx tx;
    long frames = 1;
    int extra_aa = 0;
    bool bad_crc = false;
    for (int i = 1; i < argc; i++) {
        int r = synth_parse_common(o, argc, argv, i);
        if (r < 0) return 2;
        if (r > 0) continue;
        const char* a = argv[i];
        double v = 0, v2 = 0, v3 = 0;
        bool ok = true;
        // a is `name`: its value, at least 0 when nonneg, cast to the field's type.
        auto take = [&](const char* name, auto& field, bool nonneg = false) {
            if (std::strcmp(a, name) != 0) return false;
            ok = number(argc, argv, i, v) && (!nonneg || v >= 0);
            field = static_cast<std::remove_reference_t<decltype(field)>>(v);
            return true;
        };
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            usage(argv[0]);
            return 0;
        } else if (take("--frames", frames, true) || take("--time", f.time) || take("--date", f.date) ||
                   take("--sats", f.sats) || take("--fix", f.fix) || take("--gap", tx.gap_bits, true) ||
                   take("--lead", tx.lead_bits, true)) {
        } else if (!std::strcmp(a, "--lat")) {
            ok = number(argc, argv, i, v);
            f.lat_e6 = static_cast<int32_t>(rounded(v * 1e6));
        } else if (!std::strcmp(a, "--lon")) {
            ok = number(argc, argv, i, v);
            f.lon_e6 = static_cast<int32_t>(rounded(v * 1e6));
        } else if (!std::strcmp(a, "--alt")) {
            ok = number(argc, argv, i, v);
            f.alt_cm = static_cast<int32_t>(rounded(v * 100));
        } else if (!std::strcmp(a, "--vel")) {
            ok = number(argc, argv, i, v) && number(argc, argv, i, v2) && number(argc, argv, i, v3);
            f.vel_east = static_cast<int16_t>(v);
            f.vel_north = static_cast<int16_t>(v2);
            f.vel_up = static_cast<int16_t>(v3);
        } else if (!std::strcmp(a, "--extra-aa")) {
            ok = number(argc, argv, i, v) && v >= 0 && v <= 3;
            extra_aa = static_cast<int>(v);
        } else if (!std::strcmp(a, "--bad-crc")) {
            bad_crc = true;
        } else {
            ok = false;
        }
        if (!ok) {
            usage(argv[0]);
            return 2;
        }
    }
    tx.sample_rate = o.wav.sample_rate;
    tx.amplitude = o.amplitude;
    std::vector<std::string> air;
    std::vector<std::vector<uint8_t>> sent;
    for (long k = 0; k < frames; k++) {
        PelkinFields fk = f;
        fk.time = pelkin_time_add_seconds(f.time, static_cast<int>(k));
        PelkinFrameBytes b = pelkin_frame_bytes(fk);
        if (bad_crc) b[49] ^= 0x01;
        air.push_back(pelkin_air_bits(b, extra_aa));
        sent.emplace_back(b.begin(), b.end());
    }
    PelkinRecording rec = pelkin_recording(tx, air);
    return synth_finish(o, sent, rec.signal) ? 0 : 1;
}
