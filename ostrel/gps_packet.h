// The GPS packet: 18 bytes from the start of a frame, numbers little-endian
// except the CRC.
//   0 start 0x01, 1 type 0x02, 2..5 latitude (float), 6..9 longitude (float),
//   10..11 altitude + 5000 m, 12 unused, 13 hour, 14 minute, 15 second,
//   16..17 CRC-16 of bytes 0..15, high byte first.
#pragma once

#include "frame/rx_quality.h"

namespace sonde::ostrel {

constexpr int kGpsPacketLen = 18;
constexpr int kGpsCrcCovered = 16;
constexpr unsigned char kPacketStart = 0x01;
constexpr unsigned char kPacketTypeGps = 0x02;
constexpr int kAltitudeOffset = 5000;

struct GpsRecord {
    float lat = 0.0f;
    float lon = 0.0f;
    int alt = 0;  // metres, -5000..60535
    int hour = 0;
    int minute = 0;
    int second = 0;
    int crc_stored = 0;
    int crc_computed = 0;
    bool good = false;
};

// One frame as the output forms see it: its bytes, and the GPS packet's
// fields when it is one.
struct PacketRecord {
    const unsigned char* bits = nullptr;   // the frame's bit values as read, for the bit dump
    const unsigned char* bytes = nullptr;  // the frame's bytes (at least kGpsPacketLen)
    int count = 0;                         // bytes before the first all-ones group
    int packet_type = 0;                   // byte 1
    bool is_gps = false;
    GpsRecord gps;  // decoded when is_gps
    sonde::RxQuality quality;
};

// bytes must hold at least kGpsPacketLen bytes.
GpsRecord decode_gps(const unsigned char* bytes);
// The record of a frame of count converted bytes; bytes as for decode_gps.
PacketRecord decode_packet(const unsigned char* bytes, int count);

}  // namespace sonde::ostrel
