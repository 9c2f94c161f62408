#include "pelkin_expect.h"
#include "support/strprintf.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <numbers>

namespace {
int32_t s32(const ExpectBytes& b, int i) {
    return static_cast<int32_t>(static_cast<uint32_t>(b[i]) << 24 | static_cast<uint32_t>(b[i + 1]) << 16 |
                                static_cast<uint32_t>(b[i + 2]) << 8 | b[i + 3]);
}
int s16(const ExpectBytes& b, int i) {
    int v = b[i] * 256 + b[i + 1];
    return v >= 32768 ? v - 65536 : v;
}

struct Decoded {
    int day, month, year, hours, minutes;
    double seconds, lat, lon, alt, vh, course, vv;
};

Decoded decode(const ExpectBytes& b) {
    Decoded d;
    int32_t date = s32(b, 28), time = s32(b, 24);
    d.day = date / 10000;
    d.month = date / 100 % 100;
    d.year = date % 100;
    d.hours = time / 10000000;
    d.minutes = time / 100000 % 100;
    d.seconds = (time % 100000) / 1000.0;
    d.lat = s32(b, 6) / 1e6;
    d.lon = s32(b, 10) / 1e6;
    d.alt = s32(b, 14) / 100.0;
    double e = s16(b, 18) / 100.0, n = s16(b, 20) / 100.0;
    d.vh = std::sqrt(e * e + n * n);
    d.course = std::atan2(e, n) * 180.0 / std::numbers::pi;
    if (d.course < 0) d.course += 360.0;
    d.vv = s16(b, 22) / 100.0;
    return d;
}
}  // namespace

ExpectBytes expect_bytes(const PelkinFrameBytes& sent) {
    ExpectBytes b{};
    for (int i = 0; i < 50; i++) b[i] = sent[i];
    return b;
}

int expect_groups_to_bytes(const std::string& bits, ExpectBytes& bytes) {
    int n = 0;
    for (int g = 0; g < 50; g++) {
        int v = 0;
        for (int k = 0; k < 8; k++)
            if (bits[g * 10 + 1 + k] == '1') v += 1 << k;
        if (n == 0 && v == 0xAA) continue;
        bytes[3 + n++] = static_cast<uint8_t>(v);
    }
    return n;
}

std::string expect_frame_bits(const std::string& air_bits) { return air_bits.substr(20, 500); }

bool expect_crc_ok(const ExpectBytes& b) { return pelkin_crc(b.data(), 48) == b[48] * 256 + b[49]; }

std::string expect_text(const ExpectBytes& b, bool good, bool verbose) {
    Decoded d = decode(b);
    std::string s =
        strprintf(" %02d-%02d-%02d %02d:%02d:%06.3f ", d.day, d.month, d.year, d.hours, d.minutes, d.seconds);
    s += strprintf(" lat: %.6f\u00b0  lon: %.6f\u00b0  alt: %.2fm ", d.lat, d.lon, d.alt);
    s += strprintf("  vH: %.1fm/s  D: %.1f\u00b0  vV: %.1fm/s", d.vh, d.course, d.vv);
    if (verbose) s += strprintf("  sats: %d  fix: %d ", b[4], b[5]);
    s += good ? "  # CRC [OK]\n" : "  # CRC [NO]\n";
    return s;
}

std::string expect_csv(const ExpectBytes& b, bool good) {
    Decoded d = decode(b);
    return strprintf("    0,0,20%02d-%02d-%02d,%02d:%02d:%06.3f,%.5f,%.5f,%.2f,%.1f,%.1f,%.1f,%s\n", d.year, d.month,
                     d.day, d.hours, d.minutes, d.seconds, d.lat, d.lon, d.alt, d.vh, d.course, d.vv,
                     good ? "OK" : "FAIL");
}

std::string expect_hex(const ExpectBytes& b) {
    std::string s;
    for (int i = 3; i < 48; i++) s += strprintf("%02x ", b[i]);
    s += strprintf(" %04x # %04x \n", b[48] * 256 + b[49], pelkin_crc(b.data(), 48));
    return s;
}

std::string expect_dump(const std::string& frame_bits) {
    std::string s;
    for (std::size_t g = 0; g < 50; g++) {
        std::string grp = frame_bits.substr(g * 10, 10);
        s += grp.substr(0, 1) + " " + grp.substr(1, 8) + " " + grp.substr(9, 1);
    }
    return s + "\n";
}

PelkinFields fields_at(const PelkinFields& f, int k) {
    PelkinFields g = f;
    g.time = pelkin_time_add_seconds(f.time, k);
    return g;
}
