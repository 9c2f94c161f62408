#include <gtest/gtest.h>

#include <cstring>

#include "pelkin/field_decoders.h"

using namespace sonde;
using namespace sonde::pelkin;

namespace {
struct Bytes {
    uint8_t b[60] = {};
    void put(int pos, std::initializer_list<int> v) {
        for (int x : v) b[pos++] = static_cast<uint8_t>(x);
    }
};

Datum velocity(int e, int n, int u) {
    Bytes f;
    f.put(18, {(e >> 8) & 0xFF, e & 0xFF, (n >> 8) & 0xFF, n & 0xFF, (u >> 8) & 0xFF, u & 0xFF});
    Datum d;
    get_fields(f.b, d);
    return d;
}
}  // namespace

TEST(FieldDecoders, PositionIsSignedBigEndianUnscaled) {
    Bytes f;
    f.put(6, {0x02, 0xDE, 0x4E, 0x40});   // 48123456
    f.put(10, {0xFF, 0xFF, 0xFF, 0xFE});  // -2
    f.put(14, {0x80, 0x00, 0x00, 0x00});  // most negative, not rejected
    Datum d;
    get_fields(f.b, d);
    EXPECT_EQ(d.lat_e6, 48123456.0);
    EXPECT_EQ(d.lon_e6, -2.0);
    EXPECT_EQ(d.alt_cm, -2147483648.0);
}

TEST(FieldDecoders, VelocityAllOnesIsMinusOneCentimetrePerSecond) {
    Datum d = velocity(0xFFFF, 0, 0xFFFF);
    EXPECT_EQ(d.vel_east, -1);
    EXPECT_DOUBLE_EQ(d.speed_v, -0.01);
    EXPECT_DOUBLE_EQ(d.speed_h, 0.01);
}

TEST(FieldDecoders, WorkedExampleVelocity) {
    Datum d = velocity(300, 400, -250 & 0xFFFF);
    EXPECT_EQ(d.vel_north, 400);
    EXPECT_EQ(d.vel_up, -250);
    EXPECT_DOUBLE_EQ(d.speed_h, 5.0);
    EXPECT_NEAR(d.course, 36.8699, 1e-4);
    EXPECT_DOUBLE_EQ(d.speed_v, -2.5);
}

TEST(FieldDecoders, CourseQuadrants) {
    EXPECT_EQ(velocity(0, 0, 0).course, 0.0);
    EXPECT_EQ(velocity(0, -100 & 0xFFFF, 0).course, 180.0);
    EXPECT_EQ(velocity(-100 & 0xFFFF, 0, 0).course, 270.0);
    EXPECT_EQ(velocity(100, 0, 0).course, 90.0);
    EXPECT_EQ(velocity(100, 100, 0).course, 45.0);
    EXPECT_EQ(velocity(-100 & 0xFFFF, 100, 0).course, 315.0);
    EXPECT_EQ(velocity(-100 & 0xFFFF, -100 & 0xFFFF, 0).course, 225.0);
    EXPECT_EQ(velocity(100, -100 & 0xFFFF, 0).course, 135.0);
}

TEST(FieldDecoders, TimeDateAndStatus) {
    Bytes f;
    f.put(4, {12, 2});
    f.put(24, {0x07, 0x5B, 0xCD, 0x15});  // 123456789
    f.put(28, {0x00, 0x00, 0xEF, 0x2A});  // 61226
    Datum d;
    get_fields(f.b, d);
    EXPECT_EQ(d.time, 123456789);
    EXPECT_EQ(d.date, 61226);
    EXPECT_EQ(d.sats, 12);
    EXPECT_EQ(d.fix, 2);
}
