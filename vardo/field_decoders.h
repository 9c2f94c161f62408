// Field decoders: the raw frame fields of the current layout turned into
// engineering values in the record `datum`. Fields are big-endian except the
// little-endian 16-bit numbers of the serial numbers and the thermistor.
#pragma once

#include <cstdint>

#include "vardo/frame_layout.h"

namespace sonde::vardo {

struct Datum {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    double altitude = 0.0;
    double speed_h = 0.0;
    double course = 0.0;  // degrees clockwise from north, 0 <= course < 360
    double speed_v = 0.0;
    char serial[12] = {};    // digits only, for the comma-separated line
    char sonde_id[15] = {};  // with dashes, printed after "ID: "
};

// Where the 16-bit little-endian thermistor reading sits in both frame
// layouts: bytes 40 and 41, a stretch that carries no other field in the
// 101-byte frame nor in the 68- and 70-byte frames.
constexpr int kPosThermistor = 40;

// Scale of the long frame's latitude and longitude: close to, but not
// exactly, 180 / 2^31 degrees per count.
constexpr double kLongFrameDegreesPerCount = 8.3819036711397e-8;
// Unix time of the GPS epoch, 1980-01-06 00:00:00 UTC.
constexpr int64_t kGpsEpochUnix = 315964800;
// Times up to the end of 2018 come from receivers whose 10-bit week
// counter has rolled over: move them on by 1024 weeks.
constexpr int64_t kRolloverLimitUnix = 1546300799;
constexpr int64_t kRolloverSeconds = 619315200;
// Leap seconds of the short frames, which carry no count of their own.
constexpr int kShortFrameLeapSeconds = 18;

void get_GPStime(Datum& d, const uint8_t* frame_bytes, const FrameLayout& l, int type);
void get_GPSpos(Datum& d, const uint8_t* frame_bytes, const FrameLayout& l, int type);
void get_GPSvel1(Datum& d, const uint8_t* frame_bytes, const FrameLayout& l);
void get_GPSvel2(Datum& d, const uint8_t* frame_bytes, const FrameLayout& l);
void get_SN1(Datum& d, const uint8_t* frame_bytes, const FrameLayout& l);
void get_SN2(Datum& d, const uint8_t* frame_bytes, const FrameLayout& l);

// Temperature in degrees Celsius from the 16-bit little-endian thermistor
// reading at frame[p], frame[p + 1]; -273.15 for a reading out of range.
float get_Tntc0(const uint8_t* frame, int p);

}  // namespace sonde::vardo
