#include "vardo/vardo_synth.h"

#include <algorithm>
#include <cmath>

#include "synth/signals.h"

uint16_t vardo_check(const uint8_t* bytes, int n) {
    uint16_t k = 0;
    for (int i = 0; i < n; i++) {
        unsigned b = bytes[i];
        unsigned b1 = ((b >> 1) | (b << 7)) & 0xFF;
        unsigned b2 = b1 ^ (b1 >> 2);
        unsigned t =
            (k & 0x3F) | ((((k >> 2) ^ k ^ (k >> 4)) & 1) << 6) | ((((k >> 1) ^ (k >> 3) ^ (k >> 5)) & 1) << 7);
        unsigned u = (k >> 7) & 0xFF;
        k = static_cast<uint16_t>(((k & 0xFF) << 8) | (b2 ^ t ^ (u ^ (u >> 2))));
    }
    return k;
}

void vardo_set_check(std::vector<uint8_t>& frame) {
    int p = static_cast<int>(frame[0]) - 1;
    if (p < 0 || p + 2 > static_cast<int>(frame.size())) return;
    put_be(&frame[static_cast<std::size_t>(p)], vardo_check(frame.data(), p), 2);
}

std::vector<uint8_t> vardo_frame_bytes(const VardoFrameFields& f) {
    const int len = f.type == 1 ? 101 : (f.long_short ? 70 : 68);
    std::vector<uint8_t> b(static_cast<std::size_t>(len), 0);
    b[0] = static_cast<uint8_t>(len - 1);
    if (f.type == 1) {
        b[1] = 0x9F;
        put_be(&b[4], static_cast<uint16_t>(f.v_east), 2);
        put_be(&b[6], static_cast<uint16_t>(f.v_north), 2);
        put_be(&b[8], static_cast<uint16_t>(f.v_up), 2);
        put_be(&b[10], f.tow, 4);
        put_be(&b[14], static_cast<uint32_t>(f.lat), 4);
        put_be(&b[18], static_cast<uint32_t>(f.lon), 4);
        put_be(&b[22], static_cast<uint32_t>(f.alt), 4);
        b[31] = f.leap;
        put_be(&b[32], f.week, 2);
        for (int i = 0; i < 5; i++) b[93 + i] = f.sn[i];
        b[98] = f.frame_counter;
    } else {
        b[1] = 0x20;
        put_be(&b[8], static_cast<uint32_t>(f.alt) & 0xFFFFFF, 3);
        put_be(&b[11], static_cast<uint16_t>(f.v_east), 2);
        put_be(&b[13], static_cast<uint16_t>(f.v_north), 2);
        put_be(&b[15], f.tow & 0xFFFFFF, 3);
        for (int i = 0; i < 3; i++) b[18 + i] = f.sn[i];
        b[21] = f.frame_counter;
        put_be(&b[24], static_cast<uint16_t>(f.v_up), 2);
        put_be(&b[26], f.week, 2);
        put_be(&b[28], static_cast<uint32_t>(f.lat), 4);
        put_be(&b[32], static_cast<uint32_t>(f.lon), 4);
    }
    b[kVardoThermistorPos] = static_cast<uint8_t>(f.ntc & 0xFF);
    b[kVardoThermistorPos + 1] = static_cast<uint8_t>(f.ntc >> 8);
    vardo_set_check(b);
    return b;
}

std::string vardo_biphase(const std::vector<uint8_t>& bytes, int& symbol) {
    std::string out;
    out.reserve(bytes.size() * 16);
    for (uint8_t byte : bytes) {
        for (int j = 7; j >= 0; j--) {
            int bit = (byte >> j) & 1;
            if (!bit) symbol ^= 1;
            out += symbol ? "10" : "01";
        }
    }
    return out;
}

std::vector<double> vardo_signal(const std::vector<std::vector<uint8_t>>& frames, const VardoTiming& t) {
    std::vector<double> out;
    BasebandGen g{t.sample_rate, 9600.0, t.amplitude};
    const double bits_per_period = t.period_s * 9600.0;
    baseband_hold(g, out, 0.0, t.lead_s * 9600.0);
    for (std::size_t k = 0; k < frames.size(); k++) {
        const double start = g.bits_sent;
        std::string preamble;
        for (int i = 0; i < t.preamble_bits; i++) preamble += (i & 1) ? '0' : '1';
        baseband_bits(g, out, preamble);
        baseband_bits(g, out, kVardoSync);
        // The sync word ends on the symbol 0 ("01").
        int symbol = 0;
        baseband_bits(g, out, vardo_biphase(frames[k], symbol));
        std::vector<uint8_t> tail(static_cast<std::size_t>(t.tail_bytes), t.tail_byte);
        baseband_bits(g, out, vardo_biphase(tail, symbol));
        const double used = g.bits_sent - start;
        if (used < bits_per_period) baseband_hold(g, out, 0.0, bits_per_period - used);
    }
    return out;
}

void vardo_profile_at(const VardoProfile& p, double t, double& alt, double& v_up) {
    // A sonde that does not climb never reaches its burst altitude.
    const bool bursts = p.burst && p.ascent > 0.0;
    const double t_burst = bursts ? std::max(0.0, (p.burst_alt - p.start_alt) / p.ascent) : 0.0;
    if (!bursts || t < t_burst) {
        alt = p.start_alt + p.ascent * t;
        v_up = p.ascent;
        return;
    }
    const double top = std::max(p.start_alt, p.burst_alt);
    alt = top - p.descent * (t - t_burst);
    v_up = -p.descent;
    if (alt <= 0.0) {
        alt = 0.0;
        v_up = 0.0;
    }
}

int32_t vardo_lat_counts(int type, double degrees) {
    return static_cast<int32_t>(std::lround(type == 2 ? degrees * 1e6 : degrees / 8.3819036711397e-8));
}

int16_t vardo_velocity_counts(int type, double mps) {
    return static_cast<int16_t>(std::lround(mps * (type == 2 ? 100.0 : 200.0)));
}
