#include "ostrel_synth.h"

#include <cstring>

#include "synth/signals.h"

uint16_t ostrel_synth_crc16(const uint8_t* data, std::size_t n) {
    // Bit by bit over the message, most significant bit first.
    uint32_t crc = 0x1D0F;
    for (std::size_t i = 0; i < n; i++) {
        for (int b = 7; b >= 0; b--) {
            const uint32_t in = (data[i] >> b) & 1u;
            const uint32_t top = (crc >> 15) & 1u;
            crc = (crc << 1) & 0xFFFFu;
            if (top ^ in) crc ^= 0x1021u;
        }
    }
    return static_cast<uint16_t>(crc);
}

namespace {
void put_float_le(uint8_t* p, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    for (int i = 0; i < 4; i++) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
}  // namespace

std::array<uint8_t, 18> ostrel_gps_packet(const OstrelGps& g) {
    std::array<uint8_t, 18> p{};
    p[0] = 0x01;
    p[1] = 0x02;
    put_float_le(&p[2], g.lat);
    put_float_le(&p[6], g.lon);
    p[10] = static_cast<uint8_t>(g.alt_raw & 0xFF);
    p[11] = static_cast<uint8_t>(g.alt_raw >> 8);
    p[12] = g.spare;
    p[13] = g.hour;
    p[14] = g.minute;
    p[15] = g.second;
    put_be(&p[16], ostrel_synth_crc16(p.data(), 16), 2);
    return p;
}

std::vector<uint8_t> ostrel_transmission(const std::vector<uint8_t>& packet, uint32_t seed) {
    std::vector<uint8_t> bytes = packet;
    uint32_t x = seed * 2654435761u + 12345u;
    while (bytes.size() < static_cast<std::size_t>(kOstrelTransmissionBytes)) {
        x = x * 1103515245u + 12345u;
        bytes.push_back(static_cast<uint8_t>(x >> 16));
    }
    return bytes;
}

std::string ostrel_group_bits(const std::vector<uint8_t>& bytes) { return ten_bit_groups(bytes.data(), bytes.size()); }

std::vector<double> ostrel_recording(const OstrelRecordingSpec& wav_spec,
                                     const std::vector<std::vector<uint8_t>>& transmissions) {
    AfskGen g{.sample_rate = wav_spec.sample_rate, .amplitude = wav_spec.amplitude};  // 1200 bit/s, 1200 and 2200 Hz
    std::vector<double> out;
    // Idle is steady 1200 Hz tone: whole 1 bits, the phase running on.
    auto idle = [&](double nbits) {
        const long whole = nbits > 0.0 ? static_cast<long>(nbits) : 0;
        afsk_bits(g, out, std::string(static_cast<std::size_t>(whole), '1'));
    };
    for (std::size_t i = 0; i < transmissions.size(); i++) {
        idle(i == 0 ? wav_spec.lead_bits : wav_spec.gap_bits);
        afsk_bits(g, out, ostrel_group_bits(transmissions[i]));
    }
    idle(wav_spec.tail_bits);
    return out;
}
