#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "vardo/field_decoders.h"

using namespace sonde;
using namespace sonde::vardo;

namespace {

struct Frame {
    uint8_t b[276] = {};
    FrameLayout l;
    Datum d;
    explicit Frame(int type) {
        if (type == 1) {
            b[0] = 0x64;
            b[1] = 0x9F;
        } else {
            b[0] = 0x43;
            b[1] = 0x20;
        }
        get_type(l, b);
    }
    void put(int pos, std::initializer_list<int> bytes) {
        for (int v : bytes) b[pos++] = static_cast<uint8_t>(v);
    }
    void put_be(int pos, uint32_t v, int width) {
        for (int i = 0; i < width; i++) b[pos + i] = static_cast<uint8_t>(v >> (8 * (width - 1 - i)));
    }
    std::string date() const {
        char s[40];
        std::snprintf(s, sizeof s, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute, d.second);
        return s;
    }
};

}  // namespace

TEST(GpsTime, ShortFrameWeekAndSecondsLessEighteenLeapSeconds) {
    Frame f(2);
    f.put_be(f.l.pos_GPSweek, 2300, 2);
    f.put_be(f.l.pos_GPSTOW, 345600, 3);
    get_GPStime(f.d, f.b, f.l, 2);
    EXPECT_EQ(f.date(), "2024-02-07 23:59:42");
}

TEST(GpsTime, RolloverAppliesUpToTheEndOf2018) {
    // week 2034, second 172799 of the week: 1546300799 exactly.
    Frame f(2);
    f.put_be(f.l.pos_GPSweek, 2034, 2);
    f.put_be(f.l.pos_GPSTOW, 172799, 3);
    get_GPStime(f.d, f.b, f.l, 2);
    EXPECT_EQ(f.date(), "2038-08-16 23:59:41");  // 1024 weeks later, less 18 s
    f.put_be(f.l.pos_GPSTOW, 172800, 3);
    get_GPStime(f.d, f.b, f.l, 2);
    EXPECT_EQ(f.date(), "2018-12-31 23:59:42");
}

TEST(GpsTime, LongFrameMillisecondsAndItsOwnLeapSeconds) {
    Frame f(1);
    f.put_be(f.l.pos_GPSweek, 2300, 2);
    f.put_be(f.l.pos_GPSTOW, 345600999, 4);
    f.b[f.l.pos_GPSutc] = 18;
    get_GPStime(f.d, f.b, f.l, 1);
    EXPECT_EQ(f.date(), "2024-02-07 23:59:42");
    f.b[f.l.pos_GPSutc] = 0;
    get_GPStime(f.d, f.b, f.l, 1);
    EXPECT_EQ(f.date(), "2024-02-08 00:00:00");
    f.put_be(f.l.pos_GPSTOW, 999, 4);  // 999 ms is second 0 of the week
    get_GPStime(f.d, f.b, f.l, 1);
    EXPECT_EQ(f.date(), "2024-02-04 00:00:00");
    f.b[f.l.pos_GPSutc] = 255;
    get_GPStime(f.d, f.b, f.l, 1);
    EXPECT_EQ(f.date(), "2024-02-03 23:55:45");
}

// Dates past January 2038 and up to the largest week, the same on every
// platform whatever the width of its time_t (dates from Python's datetime).
TEST(GpsTime, DatesPast2038AndTheLastWeek) {
    struct Case {
        int type;
        uint32_t week, tow;
        int leap;  // long frame only
        const char* date;
    };
    const Case cases[] = {
        {2, 3500, 0, 0, "2047-02-02 23:59:42"},
        {2, 2500, 16777215, 0, "2028-06-16 04:19:57"},  // the largest 24-bit second count
        {2, 65535, 604799, 0, "3236-01-12 23:59:41"},
        {1, 65535, 0xFFFFFFFF, 0, "3236-01-06 00:00:00"},  // -1 ms as a signed count
        {1, 4000, 0x80000000, 18, "2056-08-09 03:28:19"},  // the most negative count
        {1, 2190, 604799999, 18, "2022-01-01 23:59:41"},
    };
    for (const Case& c : cases) {
        Frame f(c.type);
        f.put_be(f.l.pos_GPSweek, c.week, 2);
        f.put_be(f.l.pos_GPSTOW, c.tow, c.type == 2 ? 3 : 4);
        if (c.type == 1) f.b[f.l.pos_GPSutc] = static_cast<uint8_t>(c.leap);
        get_GPStime(f.d, f.b, f.l, c.type);
        EXPECT_EQ(f.date(), c.date) << "type " << c.type << " week " << c.week << " tow " << c.tow;
    }
}

TEST(GpsPosition, LongFrameScaleAndSign) {
    Frame f(1);
    f.put(f.l.pos_GPSlat, {0x40, 0x00, 0x00, 0x00});
    f.put(f.l.pos_GPSlon, {0xC0, 0x00, 0x00, 0x00});
    get_GPSpos(f.d, f.b, f.l, 1);
    EXPECT_DOUBLE_EQ(f.d.latitude, 1073741824.0 * 8.3819036711397e-8);
    EXPECT_NEAR(f.d.latitude, 90.0000054, 1e-7);
    EXPECT_DOUBLE_EQ(f.d.longitude, -1073741824.0 * 8.3819036711397e-8);
}

TEST(GpsPosition, AllFourQuadrantsOfTheShortFrame) {
    const double cases[][2] = {{48.1, 11.5}, {48.1, -0.7}, {-33.9, 18.4}, {-33.9, -70.6}};
    for (const auto& c : cases) {
        Frame f(2);
        f.put_be(f.l.pos_GPSlat, static_cast<uint32_t>(static_cast<int32_t>(std::lround(c[0] * 1e6))), 4);
        f.put_be(f.l.pos_GPSlon, static_cast<uint32_t>(static_cast<int32_t>(std::lround(c[1] * 1e6))), 4);
        get_GPSpos(f.d, f.b, f.l, 2);
        EXPECT_NEAR(f.d.latitude, c[0], 1e-9);
        EXPECT_NEAR(f.d.longitude, c[1], 1e-9);
    }
}

TEST(GpsPosition, Altitudes) {
    Frame f(2);
    f.put(f.l.pos_GPSalt, {0xFF, 0xFF, 0x9C});
    get_GPSpos(f.d, f.b, f.l, 2);
    EXPECT_DOUBLE_EQ(f.d.altitude, -1.0);
    f.put(f.l.pos_GPSalt, {0x00, 0x27, 0x10});
    get_GPSpos(f.d, f.b, f.l, 2);
    EXPECT_DOUBLE_EQ(f.d.altitude, 100.0);
    Frame g(1);
    g.put_be(g.l.pos_GPSalt, 12345678, 4);
    get_GPSpos(g.d, g.b, g.l, 1);
    EXPECT_DOUBLE_EQ(g.d.altitude, 12345.678);
    g.put_be(g.l.pos_GPSalt, 0xFFFFFFFF, 4);  // unsigned in the long frame
    get_GPSpos(g.d, g.b, g.l, 1);
    EXPECT_DOUBLE_EQ(g.d.altitude, 4294967.295);
}

TEST(GpsVelocity, LongFrameComponentsAndCourseQuadrants) {
    struct Case {
        int east, north;
        double course;
    };
    const Case cases[] = {{0, 200, 0.0},    {200, 200, 45.0},   {200, 0, 90.0},      {0, -200, 180.0},
                          {-200, 0, 270.0}, {-200, 200, 315.0}, {-200, -200, 225.0}, {200, -200, 135.0}};
    for (const Case& c : cases) {
        Frame f(1);
        f.put_be(f.l.pos_GPSvO, static_cast<uint16_t>(c.east), 2);
        f.put_be(f.l.pos_GPSvN, static_cast<uint16_t>(c.north), 2);
        f.put(f.l.pos_GPSvV, {0xFF, 0x38});
        get_GPSvel1(f.d, f.b, f.l);
        EXPECT_NEAR(f.d.course, c.course, 1e-9) << c.east << "," << c.north;
        EXPECT_DOUBLE_EQ(f.d.speed_h, std::sqrt((c.east * c.east + c.north * c.north) / 40000.0));
        EXPECT_DOUBLE_EQ(f.d.speed_v, -1.0);
    }
}

TEST(GpsVelocity, ShortFrameHundredthsEastNorthUp) {
    Frame f(2);
    f.put_be(f.l.pos_GPSvE, static_cast<uint16_t>(-300), 2);
    f.put_be(f.l.pos_GPSvN, 400, 2);
    f.put_be(f.l.pos_GPSvU, static_cast<uint16_t>(-550), 2);
    get_GPSvel2(f.d, f.b, f.l);
    EXPECT_DOUBLE_EQ(f.d.speed_h, 5.0);
    EXPECT_NEAR(f.d.course, 323.13010235415598, 1e-9);
    EXPECT_DOUBLE_EQ(f.d.speed_v, -5.5);
}

TEST(SerialNumber, LongFrame) {
    Frame f(1);
    f.put(f.l.pos_SN, {0x0A, 0x77, 0x3C, 0x45, 0x23});
    get_SN1(f.d, f.b, f.l);
    EXPECT_STREQ(f.d.serial, "312A10837");
    EXPECT_STREQ(f.d.sonde_id, "312-A-10837");
}

TEST(SerialNumber, ShortFrameBothForms) {
    Frame f(2);
    f.put(f.l.pos_SN, {0x95, 0x35, 0x80});
    get_SN2(f.d, f.b, f.l);
    EXPECT_STREQ(f.d.serial, "110310013");
    EXPECT_STREQ(f.d.sonde_id, "110-3-10013");
    f.b[0] = 0x45;
    get_SN2(f.d, f.b, f.l);
    EXPECT_STREQ(f.d.serial, "110410013");
    EXPECT_STREQ(f.d.sonde_id, "110-4-10013");
}

TEST(SerialNumber, ShortFrameTwelveCharacterId) {
    Frame f(2);
    f.put(f.l.pos_SN, {0x7F, 0xFF, 0xFF});
    get_SN2(f.d, f.b, f.l);
    EXPECT_STREQ(f.d.serial, "1008118191");
    EXPECT_STREQ(f.d.sonde_id, "1008-1-18191");
}

TEST(Thermistor, Readings) {
    const uint8_t r100[] = {100, 0}, r1000[] = {0xE8, 0x03}, r2048[] = {0x00, 0x08}, r0[] = {0, 0},
                  r4095[] = {0xFF, 0x0F}, r5000[] = {0x88, 0x13};
    char s[16];
    std::snprintf(s, sizeof s, "%.1f", static_cast<double>(get_Tntc0(r100, 0)));
    EXPECT_STREQ(s, "62.9");
    std::snprintf(s, sizeof s, "%.1f", static_cast<double>(get_Tntc0(r1000, 0)));
    EXPECT_STREQ(s, "-1.2");
    std::snprintf(s, sizeof s, "%.1f", static_cast<double>(get_Tntc0(r2048, 0)));
    EXPECT_STREQ(s, "-22.3");
    EXPECT_FLOAT_EQ(get_Tntc0(r0, 0), -273.15f);
    EXPECT_FLOAT_EQ(get_Tntc0(r4095, 0), -273.15f);
    EXPECT_FLOAT_EQ(get_Tntc0(r5000, 0), -273.15f);
}

// The temperature goes through the C library's log, whose last bit may
// differ between processors; over every one of the 65536 readings the
// printed floats are the same on x86-64 (with and without FMA), aarch64 and
// armhf. The digest is FNV-1a over the bit patterns, taken on x86-64.
TEST(Thermistor, EveryReadingGivesX86Bits) {
    uint64_t digest = 1469598103934665603u;
    for (unsigned n = 0; n < 65536; n++) {
        const uint8_t r[2] = {static_cast<uint8_t>(n & 0xFF), static_cast<uint8_t>(n >> 8)};
        const float t = get_Tntc0(r, 0);
        uint32_t bits;
        std::memcpy(&bits, &t, sizeof bits);
        digest = (digest ^ bits) * 1099511628211u;
    }
    EXPECT_EQ(digest, 0x850f9662070ec5a4u);
}
