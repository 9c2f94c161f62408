#include <gtest/gtest.h>

#include <string>

#include "pelkin/report_lines.h"
#include "frame/ten_bit_groups.h"

using namespace sonde;
using namespace sonde::pelkin;

namespace {
Datum worked_example() {
    Datum d;
    d.date = 61226;
    d.time = 123456789;
    d.lat_e6 = 48123456;
    d.lon_e6 = 11654321;
    d.alt_cm = 123456;
    d.vel_east = 300;
    d.vel_north = 400;
    d.vel_up = -250;
    d.speed_h = 5.0;
    d.course = 36.86989764584402;
    d.speed_v = -2.5;
    d.sats = 7;
    d.fix = 3;
    return d;
}

FrameRecord record(const Datum& d, bool good) {
    FrameRecord r;
    r.datum = d;
    r.good = good;
    return r;
}
std::string text(const Datum& d, bool verbose, bool good) {
    LineBuf l;
    format_text_line(l, record(d, good), {.verbose = verbose});
    return std::string(l.text, l.len);
}
std::string csv(const Datum& d, bool good) {
    LineBuf l;
    format_csv_line(l, record(d, good));
    return std::string(l.text, l.len);
}
}  // namespace

TEST(OutputLines, WorkedExampleText) {
    EXPECT_EQ(text(worked_example(), false, true),
              " 06-12-26 12:34:56.789  lat: 48.123456\xc2\xb0  lon: 11.654321\xc2\xb0  alt: 1234.56m   vH: 5.0m/s  "
              "D: 36.9\xc2\xb0  vV: -2.5m/s  # CRC [OK]\n");
}

TEST(OutputLines, WorkedExampleVerbose) {
    EXPECT_EQ(text(worked_example(), true, true),
              " 06-12-26 12:34:56.789  lat: 48.123456\xc2\xb0  lon: 11.654321\xc2\xb0  alt: 1234.56m   vH: 5.0m/s  "
              "D: 36.9\xc2\xb0  vV: -2.5m/s  sats: 7  fix: 3   # CRC [OK]\n");
}

TEST(OutputLines, WorkedExampleCsv) {
    EXPECT_EQ(csv(worked_example(), true),
              "    0,0,2026-12-06,12:34:56.789,48.12346,11.65432,1234.56,5.0,36.9,-2.5,OK\n");
}

TEST(OutputLines, BadCrcMarks) {
    std::string t = text(worked_example(), false, false);
    EXPECT_EQ(t.substr(t.size() - 13), "  # CRC [NO]\n");
    std::string c = csv(worked_example(), false);
    EXPECT_EQ(c.substr(c.size() - 11), ",-2.5,FAIL\n");
}

TEST(OutputLines, SecondsAndYearArePadded) {
    Datum d = worked_example();
    d.time = 1005005;  // 00:10:05.005
    d.date = 10302;    // 1 March 2002
    EXPECT_EQ(text(d, false, true).substr(0, 23), " 01-03-02 00:10:05.005 ");
    EXPECT_EQ(csv(d, true).substr(0, 31), "    0,0,2002-03-01,00:10:05.005");
}

TEST(OutputLines, HexLineShowsBothCrcs) {
    uint8_t fb[60] = {};
    for (int i = 0; i < 60; i++) fb[i] = static_cast<uint8_t>(i);
    LineBuf l;
    FrameRecord r;
    r.bytes = fb;
    r.crc_stored = 0x3031;
    r.crc_computed = 0xabcd;
    format_hex_line(l, r);
    std::string want;
    char hex[8];
    for (int i = 3; i < 48; i++) {
        std::snprintf(hex, sizeof hex, "%02x ", i);
        want += hex;
    }
    want += " 3031 # abcd \n";
    EXPECT_EQ(std::string(l.text, l.len), want);
}

TEST(OutputLines, BitDumpGroupsStartDataStop) {
    std::string bits =
        "0010101011"
        "0100000001";
    bits += std::string(480, '1');
    bits[499] = '\0';
    LineBuf l;
    sonde::group_bit_dump(l, bits.data(), 500);
    std::string out(l.text, l.len);
    EXPECT_EQ(out.substr(0, 24), "0 01010101 10 10000000 1");
    EXPECT_EQ(out.size(), 500u + 100u + 1u);
    EXPECT_EQ(out.substr(out.size() - 4), std::string("1 \0\n", 4));  // 498 is the eighth data bit
}
