#include "vardo/field_decoders.h"

#include <cmath>
#include <cstdio>

#include "frame/big_endian.h"
#include "frame/ground_velocity.h"
#include "frame/utc_calendar.h"

namespace sonde::vardo {

void get_GPStime(Datum& d, const uint8_t* fb, const FrameLayout& l, int type) {
    int32_t tow = static_cast<int32_t>(type == 2 ? be_u24(fb + l.pos_GPSTOW) : be_u32(fb + l.pos_GPSTOW));
    int64_t week = fb[l.pos_GPSweek] << 8 | fb[l.pos_GPSweek + 1];
    int64_t seconds_of_week = type == 2 ? tow : tow / 1000;
    int64_t t = week * 604800 + seconds_of_week + kGpsEpochUnix;
    if (t <= kRolloverLimitUnix) t += kRolloverSeconds;
    t -= type == 1 ? fb[l.pos_GPSutc] : kShortFrameLeapSeconds;

    const UtcTime u = utc_time(t);
    d.year = static_cast<int>(u.year);
    d.month = u.month;
    d.day = u.day;
    d.hour = u.hour;
    d.minute = u.minute;
    d.second = u.second;
}

void get_GPSpos(Datum& d, const uint8_t* fb, const FrameLayout& l, int type) {
    // Two's complement: west of Greenwich and south of the equator are negative.
    int32_t lat = static_cast<int32_t>(be_u32(fb + l.pos_GPSlat));
    int32_t lon = static_cast<int32_t>(be_u32(fb + l.pos_GPSlon));
    if (type == 2) {
        d.latitude = lat / 1e6;
        d.longitude = lon / 1e6;
        int32_t alt = static_cast<int32_t>(be_u24(fb + l.pos_GPSalt));
        if (alt & 0x800000) alt -= 0x1000000;
        d.altitude = alt / 100.0;
    } else {
        d.latitude = lat * kLongFrameDegreesPerCount;
        d.longitude = lon * kLongFrameDegreesPerCount;
        uint32_t alt = be_u32(fb + l.pos_GPSalt);
        d.altitude = (alt / 100.0) / 10.0;
    }
}

namespace {
// Three big-endian 16-bit components at their positions, in counts of 1/scale.
void velocity_from(Datum& d, const uint8_t* fb, int pos_east, int pos_north, int pos_up, double scale) {
    double east = be_s16(fb + pos_east) / scale;
    double north = be_s16(fb + pos_north) / scale;
    double up = be_s16(fb + pos_up) / scale;
    const sonde::GroundVelocity v = sonde::ground_velocity(east, north, up);
    d.speed_h = v.speed_h;
    d.course = v.course;
    d.speed_v = v.speed_v;
}
}  // namespace

void get_GPSvel1(Datum& d, const uint8_t* fb, const FrameLayout& l) {
    velocity_from(d, fb, l.pos_GPSvO, l.pos_GPSvN, l.pos_GPSvV, 200.0);
}

void get_GPSvel2(Datum& d, const uint8_t* fb, const FrameLayout& l) {
    velocity_from(d, fb, l.pos_GPSvE, l.pos_GPSvN, l.pos_GPSvU, 100.0);
}

void get_SN1(Datum& d, const uint8_t* fb, const FrameLayout& l) {
    const uint8_t* b = fb + l.pos_SN;
    unsigned h = b[2];
    unsigned s = b[3] + 256u * b[4];
    unsigned hi = h >> 4, lo = h & 0x0F, b0 = b[0] & 0x0Fu, grp = (s >> 13) & 7u, num = s & 0x1FFFu;
    std::snprintf(d.serial, sizeof d.serial, "%1X%02u%1X%1u%04u", hi, lo, b0, grp, num);
    std::snprintf(d.sonde_id, sizeof d.sonde_id, "%1X%02u-%1X-%1u%04u", hi, lo, b0, grp, num);
}

void get_SN2(Datum& d, const uint8_t* fb, const FrameLayout& l) {
    const uint8_t* b = fb + l.pos_SN;
    unsigned s = b[1] + 256u * b[2];
    unsigned t = b[0] & 0x7Fu;
    unsigned a = t / 12, m = t % 12 + 1, g = (b[0] >> 7) & 1u;
    // The 70-byte form weighs the two bits of the digit the other way round.
    unsigned k = fb[0] == 0x45 ? 2 * (s & 1u) + g + 1 : (s & 1u) + 2 * g;
    unsigned top = (s >> 15) & 1u, num = (s >> 2) & 0x1FFFu;
    std::snprintf(d.serial, sizeof d.serial, "%u%02u%u%u%04u", a, m, k, top, num);
    std::snprintf(d.sonde_id, sizeof d.sonde_id, "%u%02u-%u-%u%04u", a, m, k, top, num);
}

float get_Tntc0(const uint8_t* frame, int p) {
    unsigned n = frame[p] + 256u * frame[p + 1];
    // Spelled out so that no division by zero happens: a reading of 0 gives
    // an infinite ratio and R = 0, a reading of 4095 an infinite R.
    float x = n == 0 ? HUGE_VALF : static_cast<float>((4095.0 - n) / n);
    float r = x == 0.0f ? HUGE_VALF : 22100.0f / x;
    float t = 0.0f;
    if (r > 0.0f) {
        float inv_t0 = 1.0f / 298.15f;
        float inv_b = 1.0f / 3650.0f;
        float ratio = r / 2200.0f;
        double sum = static_cast<double>(inv_t0) + static_cast<double>(inv_b) * std::log(static_cast<double>(ratio));
        t = static_cast<float>(1.0 / sum);
    }
    return t - 273.15f;
}

}  // namespace sonde::vardo
