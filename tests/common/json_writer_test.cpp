// The JSON line writer: shortest round-trip numbers, no NaN or Infinity,
// escaped strings, and which dates count as calendar values.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "format/json_writer.h"
#include "format/output_form.h"

using namespace sonde;

namespace {
template <class Fill>
std::string line_of(Fill fill) {
    LineBuf l;
    JsonLine j(l);
    fill(j);
    json_end(j);
    return std::string(l.text, l.len);
}
}  // namespace

TEST(JsonLine, NumbersInTheirShortestRoundTripForm) {
    EXPECT_EQ(line_of([](JsonLine& j) {
                  json_float(j, "f", 48.1f);
                  json_double(j, "d", 0.1 + 0.2);
                  json_double(j, "whole", 2505.0);
                  json_double(j, "neg", -1e-7);
                  json_int(j, "i", -5000);
              }),
              "{\"f\":48.1,\"d\":0.30000000000000004,\"whole\":2505,\"neg\":-1e-07,\"i\":-5000}\n");
}

TEST(JsonLine, NanAndInfinityLeaveTheirKeyOut) {
    EXPECT_EQ(line_of([](JsonLine& j) {
                  json_double(j, "nan", std::nan(""));
                  json_float(j, "inf", std::numeric_limits<float>::infinity());
                  json_bool(j, "ok", true);
                  json_double(j, "minus_inf", -std::numeric_limits<double>::infinity());
              }),
              "{\"ok\":true}\n");
}

TEST(JsonLine, StringsChecksBytesAndQuality) {
    const uint8_t bytes[] = {0x00, 0xAB, 0x9F};
    RxQuality q;
    EXPECT_EQ(line_of([&](JsonLine& j) {
                  json_string(j, "s", "a\"b\\c\n");
                  json_hex16(j, "crc", 0x1ABCD);
                  json_bytes(j, "raw", bytes, 3);
                  json_quality(j, q);
              }),
              "{\"s\":\"a\\\"b\\\\c\\u000a\",\"crc\":\"abcd\",\"raw\":\"00ab9f\"}\n");
    q.present = true;
    q.corrected = 2;
    q.snr_db = 9.5;
    q.dc = -0.25;
    EXPECT_EQ(line_of([&](JsonLine& j) { json_quality(j, q); }), "{\"corrected\":2,\"snr_db\":9.5,\"dc\":-0.25}\n");
}

TEST(JsonLine, CalendarValues) {
    EXPECT_TRUE(is_calendar_time(2024, 2, 29, 23, 59, 60));
    EXPECT_FALSE(is_calendar_time(2023, 2, 29, 0, 0, 0));
    EXPECT_TRUE(is_calendar_time(2000, 2, 29, 0, 0, 0));
    EXPECT_FALSE(is_calendar_time(1900, 2, 29, 0, 0, 0));
    EXPECT_FALSE(is_calendar_time(2024, 13, 1, 0, 0, 0));
    EXPECT_FALSE(is_calendar_time(2024, 4, 31, 0, 0, 0));
    EXPECT_FALSE(is_calendar_time(2024, 1, 1, 24, 0, 0));
    EXPECT_FALSE(is_calendar_time(2024, 1, 1, 0, 0, 61));
    EXPECT_FALSE(is_calendar_time(10000, 1, 1, 0, 0, 0));
}

// The options choosing a line's form win in a fixed order.
TEST(OutputForm, StrongerOptionsWin) {
    struct Case {
        FormOptions o;
        OutputForm want;
    } cases[] = {
        {{}, OutputForm::report},
        {{.csv = true}, OutputForm::csv},
        {{.color = true, .csv = true}, OutputForm::color},
        {{.hex = true, .csv = true}, OutputForm::hex},
        {{.hex = true, .color = true}, OutputForm::hex_color},
        {{.json = true, .hex = true, .color = true, .csv = true}, OutputForm::json},
        {{.bits = true, .json = true, .hex = true}, OutputForm::bits},
    };
    for (const Case& c : cases) EXPECT_EQ(choose_form(c.o), c.want);
}
