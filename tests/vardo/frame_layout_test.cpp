#include <gtest/gtest.h>

#include "vardo/frame_layout.h"

using namespace sonde;
using namespace sonde::vardo;

namespace {
int classify(FrameLayout& l, uint8_t b0, uint8_t b1) {
    uint8_t bytes[2] = {b0, b1};
    return get_type(l, bytes);
}
}  // namespace

TEST(FrameLayout, StartValuesMakeTheFirstCaptureShort) {
    FrameLayout l;
    EXPECT_EQ(l.FRAME_LEN, 101);
    EXPECT_EQ(l.RAWBITFRAME_LEN + 320, 320);
    EXPECT_EQ(l.tdFLEN, 100);
    EXPECT_EQ(l.pos_Check, 99);
}

TEST(FrameLayout, LongFrame) {
    FrameLayout l;
    EXPECT_EQ(classify(l, 0x64, 0x9F), 1);
    EXPECT_EQ(l.FRAME_LEN, 101);
    EXPECT_EQ(l.BITFRAME_LEN, 808);
    EXPECT_EQ(l.RAWBITFRAME_LEN, 1616);
    EXPECT_EQ(l.tdFLEN, 100);
    EXPECT_EQ(l.pos_GPSTOW, 10);
    EXPECT_EQ(l.pos_GPSweek, 32);
    EXPECT_EQ(l.pos_SN, 93);
    EXPECT_EQ(l.pos_Check, 99);
}

TEST(FrameLayout, ShortFramesAndTheirCheckPositions) {
    FrameLayout l;
    EXPECT_EQ(classify(l, 0x43, 0x20), 2);
    EXPECT_EQ(l.FRAME_LEN, 68);
    EXPECT_EQ(l.RAWBITFRAME_LEN, 1088);
    EXPECT_EQ(l.tdFLEN, 67);
    EXPECT_EQ(l.pos_Check, 66);
    EXPECT_EQ(l.pos_GPSlat, 28);
    EXPECT_EQ(l.pos_GPSalt, 8);
    EXPECT_EQ(l.pos_GPSvO, 4);  // not part of the short layout: kept
    EXPECT_EQ(l.pos_GPSutc, 31);
    EXPECT_EQ(classify(l, 0x45, 0x20), 2);
    EXPECT_EQ(l.FRAME_LEN, 70);
    EXPECT_EQ(l.RAWBITFRAME_LEN, 1120);
    EXPECT_EQ(l.tdFLEN, 69);
    EXPECT_EQ(l.pos_Check, 68);
}

TEST(FrameLayout, UnknownTypeTakesItsLengthByteAndKeepsPositions) {
    FrameLayout l;
    classify(l, 0x43, 0x20);
    EXPECT_EQ(classify(l, 0x43, 0x21), 1);
    EXPECT_EQ(l.FRAME_LEN, 68);
    EXPECT_EQ(l.tdFLEN, 67);
    EXPECT_EQ(l.pos_Check, 66);
    EXPECT_EQ(l.pos_GPSlat, 28);
    EXPECT_EQ(classify(l, 0x52, 0x00), 1);
    EXPECT_EQ(l.FRAME_LEN, 83);
    EXPECT_EQ(classify(l, 0x53, 0x00), 0);
    EXPECT_EQ(l.FRAME_LEN, 84);
    EXPECT_EQ(classify(l, 0xFF, 0x00), 0);
    EXPECT_EQ(l.FRAME_LEN, 256);
    EXPECT_EQ(l.RAWBITFRAME_LEN + 320, 4416);
    EXPECT_EQ(l.pos_GPSlat, 28);
}

TEST(FrameLayout, AuxlenAgainstThePreviousLengthByte) {
    FrameLayout l;  // tdFLEN 100
    set_auxlen(l, 0x66);
    EXPECT_EQ(l.auxlen, 2);
    set_auxlen(l, 0x78);
    EXPECT_EQ(l.auxlen, 20);
    set_auxlen(l, 0x79);
    EXPECT_EQ(l.auxlen, 0);
    set_auxlen(l, 0x43);
    EXPECT_EQ(l.auxlen, 0);
    set_auxlen(l, 0x64);
    EXPECT_EQ(l.auxlen, 0);
}

TEST(FrameLayout, LengthByteZeroPutsTheCheckBeforeTheFrame) {
    FrameLayout l;
    EXPECT_EQ(classify(l, 0x00, 0x00), 1);
    EXPECT_EQ(check_pos(l), -1);
    EXPECT_FALSE(check_field_inside(l, 121));
}

TEST(FrameLayout, CheckFieldMustLieInTheCapturedBytes) {
    FrameLayout l;
    classify(l, 0x64, 0x9F);
    EXPECT_TRUE(check_field_inside(l, 121));
    EXPECT_TRUE(check_field_inside(l, 101));
    EXPECT_FALSE(check_field_inside(l, 100));
    EXPECT_FALSE(check_field_inside(l, 20));  // the first, short capture
    l.auxlen = 20;
    EXPECT_TRUE(check_field_inside(l, 121));
    EXPECT_FALSE(check_field_inside(l, 120));
}

TEST(FrameLayout, UnknownTypeKeepsTheFieldPositionsOfTheLastKnownType) {
    FrameLayout l;
    classify(l, 0x64, 0x9F);
    EXPECT_EQ(classify(l, 0x30, 0x00), 1);  // 49 bytes read with the long layout
    EXPECT_EQ(l.pos_SN, 93);
    EXPECT_EQ(l.pos_frame, 98);
    EXPECT_EQ(check_pos(l), 47);
    classify(l, 0x43, 0x20);
    EXPECT_EQ(classify(l, 0x20, 0x00), 1);  // 33 bytes with the short layout
    EXPECT_EQ(l.pos_GPSlon, 32);
    EXPECT_EQ(l.pos_SN, 18);
    EXPECT_EQ(check_pos(l), 31);
}
