#include <gtest/gtest.h>

#include "vardo/position_filter.h"

using namespace sonde;
using namespace sonde::vardo;

TEST(PositionFilter, FirstFrameSeedsTheReference) {
    PositionFilter f;
    EXPECT_FALSE(position_filter_jump(f, 52.5, 13.4));
    EXPECT_FLOAT_EQ(f.latb, 52.5f);
    EXPECT_FLOAT_EQ(f.last_lon, 13.4f);
}

TEST(PositionFilter, ThreeDegreesIsAJump) {
    PositionFilter f;
    position_filter_jump(f, 50.0, 10.0);
    position_filter_confirm(f);
    EXPECT_FALSE(position_filter_jump(f, 52.9, 10.0));
    EXPECT_FALSE(position_filter_jump(f, 50.0, 10.0));
    EXPECT_TRUE(position_filter_jump(f, 53.5, 10.0));
    EXPECT_TRUE(position_filter_jump(f, 50.0, 7.0));
    EXPECT_TRUE(position_filter_jump(f, 50.0, 13.0));
}

TEST(PositionFilter, AfterAJumpTheLastGoodPositionIsTheReference) {
    PositionFilter f;
    position_filter_jump(f, 50.0, 10.0);
    position_filter_confirm(f);
    EXPECT_FALSE(position_filter_jump(f, 51.0, 10.0));  // followed, not confirmed
    EXPECT_TRUE(position_filter_jump(f, 56.0, 10.0));
    EXPECT_FLOAT_EQ(f.lat, 50.0f);
    EXPECT_TRUE(position_filter_jump(f, 53.5, 10.0));  // 3.5 from 50, not from 56
    EXPECT_FALSE(position_filter_jump(f, 52.0, 10.0));
}

TEST(PositionFilter, CrossingThePrimeMeridianAndEquatorIsNoJump) {
    PositionFilter f;
    position_filter_jump(f, 0.3, 0.2);
    EXPECT_FALSE(position_filter_jump(f, 0.1, 0.05));
    EXPECT_FALSE(position_filter_jump(f, -0.1, -0.05));
    EXPECT_FALSE(position_filter_jump(f, -0.4, -0.3));
}

TEST(PositionFilter, ReseedsAtExactlyZero) {
    PositionFilter f;
    EXPECT_FALSE(position_filter_jump(f, 0.0, 0.0));
    EXPECT_FALSE(position_filter_jump(f, 48.0, 11.0));
}
