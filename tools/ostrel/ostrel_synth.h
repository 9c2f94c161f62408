// Packet encoder for ostrel test recordings: the 18-byte GPS packet with its
// CRC, further bytes so that a transmission fills a whole frame, 10-bit
// groups (start 0, data least significant bit first, stop 1) and
// phase-continuous AFSK at 1200 bit/s (1200 Hz for 1, 2200 Hz for 0) with
// idle 1200 Hz tone before each transmission.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct OstrelGps {
    float lat = 0.0f;
    float lon = 0.0f;
    uint16_t alt_raw = 5000;  // altitude in metres + 5000
    uint8_t hour = 0;
    uint8_t minute = 0;
    uint8_t second = 0;
    uint8_t spare = 0;  // byte 12, not decoded
};

// CRC-16 with polynomial 0x1021, start 0x1D0F, no reflection, no final XOR.
uint16_t ostrel_synth_crc16(const uint8_t* data, std::size_t n);

// Bytes 0..17: 0x01, 0x02, fields, CRC over bytes 0..15 (high byte first).
std::array<uint8_t, 18> ostrel_gps_packet(const OstrelGps& g);

// Groups a decoder collects after the sync pattern (the 0x01 group included).
constexpr int kOstrelFrameGroups = 100;
// Bytes in a transmission: one more than a frame, so that the frame's last
// bit is followed by a tone change that ends its run.
constexpr int kOstrelTransmissionBytes = kOstrelFrameGroups + 2;

// The packet followed by filler bytes (never an all-ones group) up to
// kOstrelTransmissionBytes; `seed` varies the filler.
std::vector<uint8_t> ostrel_transmission(const std::vector<uint8_t>& packet, uint32_t seed);

// '0'/'1' characters of the 10-bit groups of the bytes.
std::string ostrel_group_bits(const std::vector<uint8_t>& bytes);

struct OstrelRecordingSpec {
    double sample_rate = 48000.0;
    double amplitude = 0.5;
    double lead_bits = 40.0;  // idle tone before the first transmission
    double gap_bits = 40.0;   // idle tone between transmissions (>= 20)
    double tail_bits = 40.0;  // idle tone after the last
};

// Samples in [-1, 1] of the transmissions one after another.
std::vector<double> ostrel_recording(const OstrelRecordingSpec& wav_spec,
                                     const std::vector<std::vector<uint8_t>>& transmissions);
