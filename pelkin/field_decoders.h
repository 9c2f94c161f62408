// Field positions of a frame (byte offsets in frame_bytes, big-endian) and
// the record the decoders fill. Values are kept as sent; scaling to degrees
// and metres happens when a line is written.
#pragma once

#include <cstdint>

namespace sonde::pelkin {

constexpr int pos_GPSsats = 4;
constexpr int pos_GPSfix = 5;
constexpr int pos_GPSlat = 6;
constexpr int pos_GPSlon = 10;
constexpr int pos_GPSalt = 14;
constexpr int pos_GPSvE = 18;
constexpr int pos_GPSvN = 20;
constexpr int pos_GPSvU = 22;
constexpr int pos_GPStime = 24;
constexpr int pos_GPSdate = 28;
constexpr int pos_CRC = 48;  // stored CRC, high byte first
constexpr int CRC_LEN = 48;  // bytes 0..47 are checked

struct Datum {
    double lat_e6 = 0.0;  // millionths of a degree
    double lon_e6 = 0.0;
    double alt_cm = 0.0;
    int32_t vel_east = 0;  // cm/s
    int32_t vel_north = 0;
    int32_t vel_up = 0;
    double speed_h = 0.0;  // m/s
    double course = 0.0;   // degrees, [0, 360)
    double speed_v = 0.0;  // m/s
    int32_t date = 0;      // DDMMYY
    int32_t time = 0;      // HHMM and milliseconds in the minute: 123456789 is 12:34:56.789
    uint8_t sats = 0;
    uint8_t fix = 0;
};

void get_fields(const uint8_t* frame_bytes, Datum& datum);

// The date and time as their parts.
struct Clock {
    int day, month, year, hours, minutes, ms;
};
inline Clock split_date_time(const Datum& d) {
    return {.day = d.date / 10000,
            .month = d.date % 10000 / 100,
            .year = d.date % 100,
            .hours = d.time / 10000000,
            .minutes = d.time % 10000000 / 100000,
            .ms = d.time % 100000};
}

}  // namespace sonde::pelkin
