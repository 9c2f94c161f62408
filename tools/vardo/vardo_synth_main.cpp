// vardo-synth: a recording of vardo frames from field values, one frame
// about every second, for tests, demos and benchmarks.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "synth/synth_cli.h"
#include "vardo/vardo_synth.h"

namespace {

void usage(const char* prog) {
    std::fprintf(stderr,
                 "%s [options]\n"
                 "  --type 1|2         frame type: 1 (101 bytes) or 2 (68 bytes) (1)\n"
                 "  --len70            type 2 in its 70-byte form\n"
                 "  --frames N         number of frames (5)\n"
                 "  --period S         seconds from frame to frame (1.0)\n"
                 "  --lead S           silence before the first frame (0.05)\n"
                 "  --tail N           filler bytes sent after each frame (24)\n"
                 "  --lat DEG          latitude of the first frame (52.5)\n"
                 "  --lon DEG          longitude of the first frame (13.4)\n"
                 "  --dlat DEG         latitude change per frame (0.0001)\n"
                 "  --dlon DEG         longitude change per frame (0.0001)\n"
                 "  --alt M            altitude of the first frame (1000)\n"
                 "  --ve M/S --vn M/S --vu M/S   velocity east, north, up (3 4 5)\n"
                 "  --burst-alt M      burst at this altitude, then fall at --descent (none)\n"
                 "  --descent M/S      rate of fall after the burst, down to 0 m (10)\n"
                 "  --week W           GPS week (2300)\n"
                 "  --tow S            GPS seconds of week of the first frame (345600)\n"
                 "  --leap S           GPS-UTC seconds sent in type 1 frames (18)\n"
                 "  --sn HEX           serial-number bytes, e.g. 0A003C4523 (type 2 uses 3)\n"
                 "  --counter N        frame counter of the first frame (0)\n"
                 "  --ntc N            thermistor reading (1000)\n"
                 "  --help             this text\n",
                 prog);
    std::fputs(synth_common_usage(), stderr);
}

bool parse_hex_bytes(const char* s, uint8_t* out, int max) {
    int n = static_cast<int>(std::strlen(s));
    if (n % 2 != 0 || n / 2 > max) return false;
    for (int i = 0; i < n / 2; i++) {
        char two[3] = {s[2 * i], s[2 * i + 1], 0};
        char* end = nullptr;
        out[i] = static_cast<uint8_t>(std::strtoul(two, &end, 16));
        if (*end != '\0') return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    SynthOutput o;
    VardoFrameFields f;
    long frames = 5;
    double period = 1.0, lead = 0.05, lat = 52.5, lon = 13.4, dlat = 0.0001, dlon = 0.0001, alt = 1000.0;
    double ve = 3.0, vn = 4.0, vu = 5.0, tow = 345600.0;
    long tail = 24;
    VardoProfile profile;
    for (int i = 1; i < argc; i++) {
        int r = synth_parse_common(o, argc, argv, i);
        if (r < 0) return 2;
        if (r > 0) continue;
        const char* a = argv[i];
        const bool has = i + 1 < argc;
        // a is `name` with a value: the value, read as atof and atol read it.
        auto take = [&](const char* name, auto& v) {
            using T = std::remove_reference_t<decltype(v)>;
            if (std::strcmp(a, name) != 0 || !has) return false;
            if constexpr (std::is_floating_point_v<T>)
                v = std::atof(argv[++i]);
            else
                v = static_cast<T>(std::atol(argv[++i]));
            return true;
        };
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            usage(argv[0]);
            return 0;
        } else if (!std::strcmp(a, "--type") && has) {
            f.type = std::atoi(argv[++i]) == 2 ? 2 : 1;
        } else if (!std::strcmp(a, "--len70")) {
            f.long_short = true;
        } else if (take("--frames", frames) || take("--period", period) || take("--lead", lead) ||
                   take("--tail", tail) || take("--lat", lat) || take("--lon", lon) || take("--dlat", dlat) ||
                   take("--dlon", dlon) || take("--alt", alt) || take("--ve", ve) || take("--vn", vn) ||
                   take("--vu", vu) || take("--descent", profile.descent) || take("--week", f.week) ||
                   take("--tow", tow) || take("--leap", f.leap) || take("--counter", f.frame_counter) ||
                   take("--ntc", f.ntc)) {
        } else if (!std::strcmp(a, "--burst-alt") && has) {
            profile.burst = true;
            profile.burst_alt = std::atof(argv[++i]);
        } else if (!std::strcmp(a, "--sn") && has) {
            if (!parse_hex_bytes(argv[++i], f.sn, 5)) {
                std::fprintf(stderr, "--sn takes up to 5 bytes in hex\n");
                return 2;
            }
        } else {
            usage(argv[0]);
            return 2;
        }
    }
    if (frames < 0 || period <= 0.0 || lead < 0.0 || tail < 0 || tail > 4096 || profile.descent < 0.0) {
        usage(argv[0]);
        return 2;
    }
    profile.start_alt = alt;
    profile.ascent = vu;
    std::vector<std::vector<uint8_t>> list;
    list.reserve(static_cast<std::size_t>(frames));
    for (long k = 0; k < frames; k++) {
        VardoFrameFields g = f;
        const double dt = static_cast<double>(k) * period;
        g.lat = vardo_lat_counts(f.type, lat + static_cast<double>(k) * dlat);
        g.lon = vardo_lat_counts(f.type, lon + static_cast<double>(k) * dlon);
        double a = 0.0, v_up = 0.0;
        vardo_profile_at(profile, dt, a, v_up);
        g.alt = static_cast<int32_t>(std::lround(f.type == 2 ? a * 100.0 : a * 1000.0));
        g.v_east = vardo_velocity_counts(f.type, ve);
        g.v_north = vardo_velocity_counts(f.type, vn);
        g.v_up = vardo_velocity_counts(f.type, v_up);
        const double t = tow + dt;
        g.tow = static_cast<uint32_t>(std::llround(f.type == 2 ? t : t * 1000.0));
        g.frame_counter = static_cast<uint8_t>(f.frame_counter + k);
        list.push_back(vardo_frame_bytes(g));
    }
    std::vector<double> signal = vardo_signal(list, {.sample_rate = static_cast<double>(o.wav.sample_rate),
                                                     .amplitude = o.amplitude,
                                                     .lead_s = lead,
                                                     .period_s = period,
                                                     .tail_bytes = static_cast<int>(tail)});
    return synth_finish(o, list, signal) ? 0 : 1;
}
