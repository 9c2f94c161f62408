// Frame encoder for pelkin test recordings: frame bytes from field values
// with their CRC-16/MODBUS, 10-bit groups after the 20-bit sync word, and a
// 4800 bit/s two-level baseband recording of a list of frames.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int kPelkinFrameBytes = 50;  // bytes 0..49 with the CRC in 48..49
constexpr double kPelkinBaud = 4800.0;
constexpr char kPelkinSync[] = "00101010110010101011";

struct PelkinFields {
    uint8_t first = 0x01;  // byte 3, not decoded
    uint8_t sats = 7;
    uint8_t fix = 3;
    int32_t lat_e6 = 48123456;
    int32_t lon_e6 = 11654321;
    int32_t alt_cm = 123456;
    int16_t vel_east = 300;  // cm/s
    int16_t vel_north = 400;
    int16_t vel_up = -250;
    int32_t time = 123456789;  // HHMM, then milliseconds in the minute
    int32_t date = 61226;      // DDMMYY
    uint8_t spare = 0x00;      // bytes 32..47 (each byte is spare + index)
};

using PelkinFrameBytes = std::array<uint8_t, kPelkinFrameBytes>;

// CRC-16/MODBUS (reflected 0x8005, start 0xFFFF).
uint16_t pelkin_crc(const uint8_t* data, std::size_t n);

// Bytes 0..49: preamble 0xAA 0xAA 0xAA, fields, CRC over 0..47 (high byte first).
PelkinFrameBytes pelkin_frame_bytes(const PelkinFields& f);

// Start bit, eight data bits least significant first, stop bit.
std::string pelkin_group(uint8_t byte);

// The frame as sent: sync word, extra 0xAA groups, bytes 3..49, then filler
// groups so that 51 groups follow the sync word; the 51st starts with a
// level change, which closes the 500th bit's run at once.
std::string pelkin_air_bits(const PelkinFrameBytes& bytes, int extra_aa);

// Time of day advanced by whole seconds, with carries (the date is kept).
int32_t pelkin_time_add_seconds(int32_t time, int seconds);

struct PelkinTx {
    double sample_rate = 48000.0;
    double amplitude = 0.5;
    double lead_bits = 100.0;  // idle before the first frame
    double gap_bits = 4270.0;  // idle after each frame (about one frame per second)
};

struct PelkinRecording {
    std::vector<double> signal;
    // Sample index where the bit after each frame's sync word begins.
    std::vector<std::size_t> body_start;
};

// Idle is the stop-bit level ('1'). Frames are air bit strings.
PelkinRecording pelkin_recording(const PelkinTx& tx, const std::vector<std::string>& frames);
