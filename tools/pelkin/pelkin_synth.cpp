#include "pelkin/pelkin_synth.h"

#include "synth/signals.h"

uint16_t pelkin_crc(const uint8_t* data, std::size_t n) {
    uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < n; i++) {
        crc = static_cast<uint16_t>(crc ^ data[i]);
        for (int b = 0; b < 8; b++) {
            const bool lsb = crc & 1u;
            crc = static_cast<uint16_t>(crc >> 1);
            if (lsb) crc = static_cast<uint16_t>(crc ^ 0xA001u);
        }
    }
    return crc;
}

PelkinFrameBytes pelkin_frame_bytes(const PelkinFields& f) {
    PelkinFrameBytes b{};
    b[0] = b[1] = b[2] = 0xAA;
    b[3] = f.first;
    b[4] = f.sats;
    b[5] = f.fix;
    put_be(&b[6], static_cast<uint32_t>(f.lat_e6), 4);
    put_be(&b[10], static_cast<uint32_t>(f.lon_e6), 4);
    put_be(&b[14], static_cast<uint32_t>(f.alt_cm), 4);
    put_be(&b[18], static_cast<uint16_t>(f.vel_east), 2);
    put_be(&b[20], static_cast<uint16_t>(f.vel_north), 2);
    put_be(&b[22], static_cast<uint16_t>(f.vel_up), 2);
    put_be(&b[24], static_cast<uint32_t>(f.time), 4);
    put_be(&b[28], static_cast<uint32_t>(f.date), 4);
    for (int i = 32; i < 48; i++) b[static_cast<std::size_t>(i)] = static_cast<uint8_t>(f.spare + i);
    put_be(&b[48], pelkin_crc(b.data(), 48), 2);
    return b;
}

std::string pelkin_group(uint8_t byte) { return ten_bit_groups(&byte, 1); }

std::string pelkin_air_bits(const PelkinFrameBytes& bytes, int extra_aa) {
    std::string bits = kPelkinSync;
    int groups = 0;
    for (int i = 0; i < extra_aa; i++, groups++) bits += pelkin_group(0xAA);
    for (int i = 3; i < kPelkinFrameBytes; i++, groups++) bits += pelkin_group(bytes[static_cast<std::size_t>(i)]);
    while (groups < 51) {
        bits += pelkin_group(0x00);
        groups++;
    }
    return bits;
}

int32_t pelkin_time_add_seconds(int32_t time, int seconds) {
    int hours = time / 10000000;
    int minutes = (time % 10000000) / 100000;
    int ms = time % 100000;
    long total = ((static_cast<long>(hours) * 60 + minutes) * 60000L + ms) + seconds * 1000L;
    total %= 24L * 3600000L;
    if (total < 0) total += 24L * 3600000L;
    hours = static_cast<int>(total / 3600000L);
    minutes = static_cast<int>(total / 60000L % 60);
    ms = static_cast<int>(total % 60000L);
    return hours * 10000000 + minutes * 100000 + ms;
}

PelkinRecording pelkin_recording(const PelkinTx& tx, const std::vector<std::string>& frames) {
    PelkinRecording r;
    BasebandGen g{tx.sample_rate, kPelkinBaud, tx.amplitude};
    double bits = tx.lead_bits;
    for (const std::string& f : frames) bits += static_cast<double>(f.size()) + tx.gap_bits;
    r.signal.reserve(static_cast<std::size_t>(bits * tx.sample_rate / kPelkinBaud) + 2);
    baseband_hold(g, r.signal, 1.0, tx.lead_bits);
    for (const std::string& f : frames) {
        const std::size_t sync = std::string(kPelkinSync).size();
        baseband_bits(g, r.signal, std::string_view(f).substr(0, sync));
        r.body_start.push_back(r.signal.size());
        baseband_bits(g, r.signal, std::string_view(f).substr(sync));
        baseband_hold(g, r.signal, 1.0, tx.gap_bits);
    }
    return r;
}
