#include "vardo_expect.h"
#include "support/strprintf.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace {

struct Values {
    std::string id, serial;
    Civil c;
    double lat, lon, alt, vh, course, vv;
    int counter;
    std::string temp;  // "" when none
};

Values values_of(const VardoFrameFields& f) {
    Values v{};
    if (f.type == 1) {
        unsigned s = f.sn[3] | f.sn[4] << 8;
        v.id = strprintf("%X%02u-%X-%u%04u", f.sn[2] >> 4, f.sn[2] & 15u, f.sn[0] & 15u, s >> 13, s & 0x1FFF);
        v.serial = strprintf("%X%02u%X%u%04u", f.sn[2] >> 4, f.sn[2] & 15u, f.sn[0] & 15u, s >> 13, s & 0x1FFF);
    } else {
        unsigned s = f.sn[1] | f.sn[2] << 8;
        unsigned t = f.sn[0] & 0x7F, g = f.sn[0] >> 7;
        unsigned k = f.long_short ? 2 * (s & 1) + g + 1 : (s & 1) + 2 * g;
        v.id = strprintf("%u%02u-%u-%u%04u", t / 12, t % 12 + 1, k, s >> 15, (s >> 2) & 0x1FFF);
        v.serial = strprintf("%u%02u%u%u%04u", t / 12, t % 12 + 1, k, s >> 15, (s >> 2) & 0x1FFF);
    }
    int64_t sec = f.type == 1 ? static_cast<int32_t>(f.tow) / 1000 : static_cast<int64_t>(f.tow & 0xFFFFFF);
    int64_t t = 315964800 + int64_t{f.week} * 604800 + sec;
    if (t < 1546300800) t += 1024 * 604800;
    t -= f.type == 1 ? f.leap : 18;
    v.c = civil_from_unix(t);
    const double scale = f.type == 1 ? 8.3819036711397e-8 : 1e-6;
    v.lat = f.type == 1 ? f.lat * scale : f.lat / 1e6;
    v.lon = f.type == 1 ? f.lon * scale : f.lon / 1e6;
    if (f.type == 1) {
        v.alt = static_cast<uint32_t>(f.alt) / 100.0 / 10.0;
    } else {
        int32_t a = f.alt & 0xFFFFFF;
        if (a >= 0x800000) a -= 0x1000000;
        v.alt = a / 100.0;
    }
    const double div = f.type == 1 ? 200.0 : 100.0;
    double e = f.v_east / div, n = f.v_north / div;
    v.vh = std::sqrt(e * e + n * n);
    v.course = std::atan2(e, n) * 180.0 / 3.141592653589793;
    if (v.course < 0) v.course += 360.0;
    v.vv = f.v_up / div;
    v.counter = f.frame_counter;
    // Readings with known temperatures; 0 gives none.
    if (f.ntc == 100) v.temp = "62.9";
    if (f.ntc == 1000) v.temp = "-1.2";
    if (f.ntc == 2048) v.temp = "-22.3";
    return v;
}

}  // namespace

Civil civil_from_unix(int64_t t) {
    int64_t days = t >= 0 ? t / 86400 : (t - 86399) / 86400;
    int64_t rem = t - days * 86400;
    // Days to civil date, proleptic Gregorian.
    int64_t z = days + 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t y = yoe + era * 400;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int64_t d = doy - (153 * mp + 2) / 5 + 1;
    int64_t m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) y++;
    return Civil{static_cast<int>(y),
                 static_cast<int>(m),
                 static_cast<int>(d),
                 static_cast<int>(rem / 3600),
                 static_cast<int>(rem % 3600 / 60),
                 static_cast<int>(rem % 60)};
}

std::string expect_report(const Expected& e, const OutputForm& form) {
    const Values v = values_of(e.f);
    const Civil& c = v.c;
    const std::string temp = form.verbose == 2 && !v.temp.empty() ? "  (T0:" + v.temp + "C)" : "";
    if (form.color) {
        std::string s = strprintf("ID: \033[38;5;1m%s \033[38;5;244mframe: \033[38;5;44m%3d \033[38;5;244m",
                                  v.id.c_str(), v.counter);
        s +=
            strprintf("date: \033[38;5;94m%04d-%02d-%02d\033[38;5;244m time: \033[38;5;27m%02d:%02d:%02d\033[38;5;244m",
                      c.y, c.mo, c.d, c.h, c.mi, c.s);
        s += strprintf(" lat: \033[38;5;34m%.6f\033[38;5;244m\u00b0  lon: \033[38;5;70m%.6f\033[38;5;244m\u00b0 ",
                       v.lat, v.lon);
        s += strprintf(" alt: \033[38;5;82m% 6.1f\033[38;5;244mm ", v.alt);
        s += strprintf("  vH: \033[38;5;36m% 6.1f\033[38;5;244m km/h  D: \033[38;5;36m% 6.1f\u00b0\033[38;5;244m", v.vh,
                       v.course);
        s += strprintf("  vV: \033[38;5;36m% 6.1f\033[38;5;244m m/s", v.vv);
        if (form.verbose) s += e.ok ? "  # \033[38;5;2m[OK]\033[38;5;244m" : "  # \033[38;5;1m[NO]\033[38;5;244m";
        return s + temp + "\033[0m\n";
    }
    if (form.csv) {
        return strprintf("%3d,%d%s,%04d-%02d-%02d,%02d:%02d:%02d,%.5f,%.5f,%.2f,%.1f,%.1f,%.1f,%s\n", v.counter,
                         e.f.type, v.serial.c_str(), c.y, c.mo, c.d, c.h, c.mi, c.s, v.lat, v.lon, v.alt, v.vh,
                         v.course, v.vv, e.ok ? "OK" : "FAIL");
    }
    std::string s = strprintf("ID: %s frame: %3d date: %04d-%02d-%02d time: (%02d:%02d:%02d) ", v.id.c_str(), v.counter,
                              c.y, c.mo, c.d, c.h, c.mi, c.s);
    s += strprintf(" lat: %.6f  lon: %.6f  alt: % 6.2f ", v.lat, v.lon, v.alt);
    s += strprintf("  vH: % 6.1f km/h  D: % 6.1f\u00b0  vV: % 6.1f m/s ", v.vh, v.course, v.vv);
    if (form.verbose) s += e.ok ? "  # OK" : "  # NO";
    return s + temp + "\n";
}

namespace {

// Colour of each field, in the order in which they are tested.
struct Range {
    const char* colour;
    int first, last;
};

std::vector<Range> colour_ranges(int type, int check) {
    if (type == 1)
        return {{"44", 98, 98}, {"27", 10, 13}, {"34", 14, 17}, {"70", 18, 21},          {"82", 22, 25},
                {"20", 32, 33}, {"36", 4, 9},   {"1", 93, 95},  {"11", check, check + 1}};
    return {{"44", 21, 21}, {"27", 15, 17}, {"34", 28, 31}, {"70", 32, 35}, {"82", 8, 10},           {"20", 26, 27},
            {"36", 11, 12}, {"36", 13, 14}, {"36", 24, 25}, {"1", 18, 20},  {"11", check, check + 1}};
}

}  // namespace

std::string expect_hex(const std::vector<uint8_t>& bytes, int type, int auxlen, bool ok, const OutputForm& form) {
    const int n = static_cast<int>(bytes.size()) + auxlen;
    const int check_at = n - 2;
    uint16_t computed = vardo_check(bytes.data(), check_at);
    std::string s;
    if (form.color) s += "\033[38;5;244m";
    for (int i = 0; i < n; i++) {
        uint8_t b = i < static_cast<int>(bytes.size()) ? bytes[static_cast<std::size_t>(i)] : 0;
        if (form.color) {
            for (const Range& r : colour_ranges(type, check_at))
                if (i >= r.first && i <= r.last) s += strprintf("\033[38;5;%sm", r.colour);
        }
        s += strprintf("%02X", b);
        if (form.color) s += "\033[38;5;244m";
    }
    if (form.verbose) {
        if (form.color)
            s += strprintf(" # \033[38;5;11m%04X\033[38;5;244m %s", computed,
                           ok ? "\033[38;5;2m[OK]\033[38;5;244m" : "\033[38;5;1m[NO]\033[38;5;244m");
        else
            s += strprintf(" # %04X %s", computed, ok ? "[OK]" : "[NO]");
    }
    return s + (form.color ? "\033[0m\n" : "\n");
}

VardoFrameFields first_capture(const VardoFrameFields& f) {
    VardoFrameFields g = f;
    g.frame_counter = 0;
    g.ntc = 0;
    g.week = 0;
    if (f.type == 1) {
        g.lon = static_cast<int32_t>(static_cast<uint32_t>(f.lon) & 0xFFFF0000u);  // bytes 18, 19 only
        g.alt = 0;
        g.leap = 0;
        for (uint8_t& b : g.sn) b = 0;
    } else {
        g.sn[2] = 0;  // bytes 18, 19 arrive, 20 does not
        g.v_up = 0;
        g.lat = 0;
        g.lon = 0;
    }
    return g;
}

std::vector<uint8_t> first_capture_bytes(const VardoFrameFields& f) {
    std::vector<uint8_t> b = vardo_frame_bytes(f);
    for (std::size_t i = 20; i < b.size(); i++) b[i] = 0;
    return b;
}
