// ostrel-synth: writes a WAV recording of GPS packets (or packets of another
// type) as 1200 bit/s AFSK, for testing and benchmarking the ostrel decoder.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ostrel_synth.h"
#include "synth/synth_cli.h"

namespace {

void usage(const char* prog) {
    std::fprintf(stderr,
                 "%s [options]\n"
                 "  --frames N         number of packets (3)\n"
                 "  --lat DEG          latitude (48.1)\n"
                 "  --lon DEG          longitude (11.5)\n"
                 "  --alt M            altitude in metres, -5000..60535 (1000)\n"
                 "  --climb M          altitude change per packet (0)\n"
                 "  --time HH:MM:SS    time of the first packet, one second more per packet (12:00:00)\n"
                 "  --type T           packet type byte; anything but 2 sends non-GPS packets (2)\n"
                 "  --bad-crc K        spoil the CRC of every K-th packet (0: none)\n"
                 "  --lead BITS        idle 1200 Hz bits before the first packet (40; the decoder\n"
                 "                     spends its first 128 samples filling its window)\n"
                 "  --gap BITS         idle bits between packets, at least 20 (180: one packet a second)\n"
                 "  --help             this text\n",
                 prog);
    std::fputs(synth_common_usage(), stderr);
}

}  // namespace

int main(int argc, char** argv) {
    SynthOutput o;
    long frames = 3, type = 2, bad_every = 0;
    double lat = 48.1, lon = 11.5, alt = 1000.0, climb = 0.0, lead = 40.0, gap = 180.0;
    int hh = 12, mm = 0, ss = 0;
    for (int i = 1; i < argc; i++) {
        const int r = synth_parse_common(o, argc, argv, i);
        if (r < 0) return 2;
        if (r > 0) continue;
        const char* a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        double d = 0.0;
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            usage(argv[0]);
            return 0;
        }
        if (!v) {
            usage(argv[0]);
            return 2;
        }
        i++;
        bool ok = true;
        if (!std::strcmp(a, "--frames")) {
            ok = parse_double(v, d) && d >= 0 && d <= 1e7;
            frames = static_cast<long>(d);
        } else if (!std::strcmp(a, "--lat")) {
            ok = parse_double(v, lat);
        } else if (!std::strcmp(a, "--lon")) {
            ok = parse_double(v, lon);
        } else if (!std::strcmp(a, "--alt")) {
            ok = parse_double(v, alt) && alt >= -5000 && alt <= 60535;
        } else if (!std::strcmp(a, "--climb")) {
            ok = parse_double(v, climb);
        } else if (!std::strcmp(a, "--time")) {
            ok = std::sscanf(v, "%d:%d:%d", &hh, &mm, &ss) == 3 && hh >= 0 && hh < 24 && mm >= 0 && mm < 60 &&
                 ss >= 0 && ss < 60;
        } else if (!std::strcmp(a, "--type")) {
            ok = parse_double(v, d) && d >= 0 && d <= 255;
            type = static_cast<long>(d);
        } else if (!std::strcmp(a, "--bad-crc")) {
            ok = parse_double(v, d) && d >= 0;
            bad_every = static_cast<long>(d);
        } else if (!std::strcmp(a, "--lead")) {
            ok = parse_double(v, lead) && lead >= 0;
        } else if (!std::strcmp(a, "--gap")) {
            ok = parse_double(v, gap) && gap >= 20;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "bad option or value: %s %s\n", a, v);
            usage(argv[0]);
            return 2;
        }
    }

    std::vector<std::vector<uint8_t>> tx, sent;
    long t = hh * 3600L + mm * 60L + ss;
    for (long k = 0; k < frames; k++, t++) {
        std::vector<uint8_t> packet;
        if (type == 2) {
            OstrelGps g;
            g.lat = static_cast<float>(lat);
            g.lon = static_cast<float>(lon);
            const double a = std::clamp(alt + climb * static_cast<double>(k), -5000.0, 60535.0);
            g.alt_raw = static_cast<uint16_t>(static_cast<long>(a) + 5000);
            g.hour = static_cast<uint8_t>((t / 3600) % 24);
            g.minute = static_cast<uint8_t>((t / 60) % 60);
            g.second = static_cast<uint8_t>(t % 60);
            auto p = ostrel_gps_packet(g);
            if (bad_every > 0 && (k + 1) % bad_every == 0) p[17] ^= 0x01;
            packet.assign(p.begin(), p.end());
        } else {
            packet = {0x01, static_cast<uint8_t>(type)};
        }
        tx.push_back(ostrel_transmission(packet, static_cast<uint32_t>(k)));
        sent.push_back(packet);
    }
    OstrelRecordingSpec wav_spec;
    wav_spec.sample_rate = o.wav.sample_rate;
    wav_spec.amplitude = o.amplitude;
    wav_spec.lead_bits = lead;
    wav_spec.gap_bits = gap;
    std::vector<double> signal = ostrel_recording(wav_spec, tx);
    return synth_finish(o, sent, signal) ? 0 : 1;
}
