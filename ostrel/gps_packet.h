// The GPS packet: 18 bytes from the start of a frame, numbers little-endian
// except the CRC.
//   0 start 0x01, 1 type 0x02, 2..5 latitude (float), 6..9 longitude (float),
//   10..11 altitude + 5000 m, 12 unused, 13 hour, 14 minute, 15 second,
//   16..17 CRC-16 of bytes 0..15, high byte first.
#pragma once

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

bool is_gps_packet(const unsigned char* bytes);
// bytes must hold at least kGpsPacketLen bytes.
GpsRecord decode_gps(const unsigned char* bytes);
