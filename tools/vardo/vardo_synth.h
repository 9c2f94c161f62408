// Frame encoder for vardo test recordings: frames from field values with a
// correct check, differential biphase line coding behind the sync word, and
// whole recordings with gaps between the frames as a sonde leaves them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Raw field values, exactly as they travel in the frame.
struct VardoFrameFields {
    int type = 1;             // 1: 101-byte frame; 2: 68- or 70-byte frame
    bool long_short = false;  // type 2 only: the 70-byte form ("E ")
    uint16_t week = 2300;
    uint32_t tow = 0;  // type 1: milliseconds (4 bytes); type 2: seconds (3 bytes)
    int32_t lat = 0;   // type 1: counts of 8.3819036711397e-8 degree; type 2: 1e-6 degree
    int32_t lon = 0;
    int32_t alt = 0;     // type 1: millimetres (4 bytes, unsigned); type 2: centimetres (24-bit signed)
    int16_t v_east = 0;  // type 1: 1/200 m/s; type 2: 1/100 m/s
    int16_t v_north = 0;
    int16_t v_up = 0;
    uint8_t leap = 18;                               // type 1 only: GPS - UTC seconds
    uint8_t sn[5] = {0x0A, 0x00, 0x3C, 0x45, 0x23};  // type 1 uses 5 bytes, type 2 the first 3
    uint8_t frame_counter = 0;
    uint16_t ntc = 1000;  // thermistor reading, little-endian at byte 40
};

constexpr int kVardoThermistorPos = 40;
constexpr const char* kVardoSync = "10011001100110010100110010011001";

// The frame's bytes with the check in its last two bytes.
std::vector<uint8_t> vardo_frame_bytes(const VardoFrameFields& f);
// Recomputes and stores the check of a frame whose length and check
// position follow from its length byte (b0 + 1 bytes, check at b0 - 1).
void vardo_set_check(std::vector<uint8_t>& frame);
uint16_t vardo_check(const uint8_t* bytes, int n);

// Differential biphase: data bit 1 repeats the previous symbol, 0 changes
// it; symbol 1 is the channel pair "10", symbol 0 is "01". `symbol` carries
// the line state from call to call.
std::string vardo_biphase(const std::vector<uint8_t>& bytes, int& symbol);

// How frames are laid out in time.
struct VardoTiming {
    double sample_rate = 48000.0;
    double amplitude = 0.5;
    double lead_s = 0.05;    // silence before the first frame
    double period_s = 1.0;   // frame start to frame start
    int preamble_bits = 64;  // channel bits of "10" alternation before the sync word
    int tail_bytes = 24;     // filler bytes after each frame
    uint8_t tail_byte = 0x00;
};

// The baseband signal of the given frames, each behind the sync word,
// starting period_s apart; silence (level 0) fills the gaps.
std::vector<double> vardo_signal(const std::vector<std::vector<uint8_t>>& frames, const VardoTiming& t);

// Altitude over time: a climb at `ascent` m/s from `start_alt`; with a
// burst altitude, a fall at `descent` m/s once it is reached, down to the
// ground (0 m), where the sonde lies still.
struct VardoProfile {
    double start_alt = 1000.0;
    double ascent = 5.0;
    bool burst = false;
    double burst_alt = 0.0;
    double descent = 10.0;
};

// Altitude (m) and vertical speed (m/s, up positive) t seconds after the
// first frame.
void vardo_profile_at(const VardoProfile& p, double t, double& alt, double& v_up);

// Raw values from engineering units.
int32_t vardo_lat_counts(int type, double degrees);
int16_t vardo_velocity_counts(int type, double metres_per_second);
