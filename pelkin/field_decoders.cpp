#include "pelkin/field_decoders.h"

#include <cmath>

namespace {
constexpr double kPi = 3.141592653589793;

int32_t be32(const uint8_t* p) {
    uint32_t v = static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
                 static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
    return static_cast<int32_t>(v);
}

int16_t be16(const uint8_t* p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] << 8 | p[1])); }
}  // namespace

int get_GPSpos(const uint8_t* frame_bytes, Datum& datum) {
    datum.lat_e6 = be32(frame_bytes + pos_GPSlat);
    datum.lon_e6 = be32(frame_bytes + pos_GPSlon);
    datum.alt_cm = be32(frame_bytes + pos_GPSalt);
    return 0;
}

int get_GPSvel(const uint8_t* frame_bytes, Datum& datum) {
    datum.vel_east = be16(frame_bytes + pos_GPSvE);
    datum.vel_north = be16(frame_bytes + pos_GPSvN);
    datum.vel_up = be16(frame_bytes + pos_GPSvU);
    double e = datum.vel_east / 100.0;
    double n = datum.vel_north / 100.0;
    double u = datum.vel_up / 100.0;
    datum.speed_h = std::sqrt(e * e + n * n);
    double course = std::atan2(e, n) * 180.0 / kPi;
    if (course < 0) course += 360.0;
    datum.course = course;
    datum.speed_v = u;
    return 0;
}

int get_GPStime(const uint8_t* frame_bytes, Datum& datum) {
    datum.time = be32(frame_bytes + pos_GPStime);
    return 0;
}

int get_GPSdate(const uint8_t* frame_bytes, Datum& datum) {
    datum.date = be32(frame_bytes + pos_GPSdate);
    return 0;
}

int get_GPSstatus(const uint8_t* frame_bytes, Datum& datum) {
    datum.sats = frame_bytes[pos_GPSsats];
    datum.fix = frame_bytes[pos_GPSfix];
    return 0;
}
