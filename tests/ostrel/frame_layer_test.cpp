#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

#include "frame/crc16.h"
#include "ostrel/frame_layer.h"

using namespace sonde;
using namespace sonde::ostrel;

constexpr int kBitframeBytes = 1201;

namespace {

struct Capture {
    int fd[2];
    Capture() { EXPECT_EQ(pipe(fd), 0); }
    ~Capture() {
        close(fd[0]);
        if (fd[1] >= 0) close(fd[1]);
    }
    std::string take() {
        close(fd[1]);
        fd[1] = -1;
        std::string s;
        char b[4096];
        ssize_t n;
        while ((n = read(fd[0], b, sizeof b)) > 0) s.append(b, static_cast<std::size_t>(n));
        return s;
    }
};

void put_group(unsigned char* g, int byte) {
    g[0] = 0;
    for (int i = 0; i < 8; i++) g[1 + i] = (byte >> i) & 1;
    g[9] = 1;
}

// A frame of 100 groups from bytes (-1 for an all-ones group), the rest filler.
void frame_from(unsigned char* bits, std::initializer_list<int> bytes, int filler = 0x33) {
    int i = 0;
    for (int b : bytes) {
        if (b < 0)
            std::memset(bits + 10 * i, 1, 10);
        else
            put_group(bits + 10 * i, b);
        i++;
    }
    for (; i < 100; i++) put_group(bits + 10 * i, filler);
}

// Latitude 48.1f = 0x42406666, longitude 11.5f = 0x41380000, altitude 1000 m,
// 12:00:00, CRC 0xB24C.
constexpr std::initializer_list<int> kGps = {0x01, 0x02, 0x66, 0x66, 0x40, 0x42, 0x00, 0x00, 0x38,
                                             0x41, 0x70, 0x17, 0x00, 0x0C, 0x00, 0x00, 0xB2, 0x4C};

std::string run(PacketOutput& po, const OstrelOptions& opt, const unsigned char* bits, int len = 100) {
    Capture c;
    EXPECT_EQ(print_frame(po, opt, bits, len, c.fd[1]), 0);
    return c.take();
}

}  // namespace

TEST(PrintFrame, GpsPacketTextLine) {
    auto po = std::make_unique<PacketOutput>();
    unsigned char bits[kBitframeBytes];
    frame_from(bits, kGps);
    EXPECT_EQ(run(*po, OstrelOptions{}, bits),
              "(12:00:00)  lat: 48.099998\xb0  lon: 11.500000\xb0  alt: 1000m  #  CRC: B24C - B24C [OK]\n");
}

TEST(PrintFrame, CsvLineAfterTheHexDump) {
    auto po = std::make_unique<PacketOutput>();
    unsigned char bits[kBitframeBytes];
    frame_from(bits, kGps, 0xA0);
    OstrelOptions opt;
    opt.option_raw = 1;
    opt.option_csv = 1;
    std::string hex = "01 02 66 66 40 42 00 00 38 41 70 17 00 0C 00 00 B2 4C ";
    for (int i = 18; i < 100; i++) hex += "A0 ";
    EXPECT_EQ(run(*po, opt, bits), hex + "\n000,iMet,0000-00-00,12:00:00,48.099998,11.500000,1000,0,0,0,OK\n");
}

TEST(PrintFrame, BadCrcStillPrintsTheLine) {
    auto po = std::make_unique<PacketOutput>();
    unsigned char bits[kBitframeBytes];
    frame_from(bits, {0x01, 0x02, 0x66, 0x66, 0x40, 0x42, 0x00, 0x00, 0x38, 0x41, 0x70, 0x17, 0x00, 0x0C, 0x00, 0x00,
                      0xB2, 0x4D});
    EXPECT_EQ(run(*po, OstrelOptions{}, bits),
              "(12:00:00)  lat: 48.099998\xb0  lon: 11.500000\xb0  alt: 1000m  #  CRC: B24D - B24C [NO]\n");
    OstrelOptions csv;
    csv.option_csv = 1;
    EXPECT_EQ(run(*po, csv, bits), "000,iMet,0000-00-00,12:00:00,48.099998,11.500000,1000,0,0,0,NO\n");
}

TEST(PrintFrame, AllOnesAfterTheFirstGroupDumpsOneByte) {
    auto po = std::make_unique<PacketOutput>();
    unsigned char bits[kBitframeBytes];
    std::memset(bits, 1, sizeof bits);
    put_group(bits, 0x01);
    OstrelOptions opt;
    opt.option_raw = 1;
    EXPECT_EQ(run(*po, opt, bits), "01 \n");
}

TEST(PrintFrame, NonGpsPacketOnlyInTheHexDump) {
    auto po = std::make_unique<PacketOutput>();
    unsigned char bits[kBitframeBytes];
    frame_from(bits, {0x01, 0x03, 0x02}, 0x00);
    EXPECT_EQ(run(*po, OstrelOptions{}, bits), "");
    OstrelOptions opt;
    opt.option_raw = 1;
    std::string hex = "01 03 02 ";
    for (int i = 3; i < 100; i++) hex += "00 ";
    EXPECT_EQ(run(*po, opt, bits), hex + "\n");
}

TEST(PrintFrame, RawbitsReplacesEveryOtherOutput) {
    auto po = std::make_unique<PacketOutput>();
    unsigned char bits[kBitframeBytes];
    frame_from(bits, kGps);
    OstrelOptions opt;
    opt.option_rawbits = 1;
    opt.option_raw = 1;
    const std::string out = run(*po, opt, bits);
    ASSERT_EQ(out.size(), 400u + 80u + 1u);
    EXPECT_EQ(out.substr(0, 25), "0 10000000 10 01000000 10");
    EXPECT_EQ(out.back(), '\n');
    EXPECT_EQ(out.find("CRC"), std::string::npos);
}

TEST(PrintFrame, EarlyStopKeepsTheBytesOfAnEarlierFrame) {
    auto po = std::make_unique<PacketOutput>();
    unsigned char bits[kBitframeBytes];
    frame_from(bits, kGps);
    run(*po, OstrelOptions{}, bits);
    // An all-ones group where the hour stood; minute, second and CRC are
    // still those of the earlier frame.
    frame_from(bits, {0x01, 0x02, 0x66, 0x66, 0x40, 0x42, 0x00, 0x00, 0x38, 0x41, 0x70, 0x17, 0x00, -1, 0x07, 0x08},
               0x09);
    EXPECT_EQ(run(*po, OstrelOptions{}, bits),
              "(255:00:00)  lat: 48.099998\xb0  lon: 11.500000\xb0  alt: 1000m  #  CRC: B24C - 084E [NO]\n");
    EXPECT_EQ(po->byteframe[13], 0xFF);
    EXPECT_EQ(po->byteframe[14], 0x00);
}

TEST(PrintFrame, LengthOutsideTwoToHundredTwentyRefused) {
    auto po = std::make_unique<PacketOutput>();
    unsigned char bits[kBitframeBytes];
    frame_from(bits, kGps);
    for (int len : {-1, 0, 1, 121}) {
        Capture c;
        EXPECT_EQ(print_frame(*po, OstrelOptions{}, bits, len, c.fd[1]), -1);
        EXPECT_EQ(c.take(), "");
    }
}

TEST(GpsRecord, AltitudeEdgesAndFields) {
    unsigned char b[18] = {0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 23, 59, 58, 0, 0};
    EXPECT_EQ(decode_gps(b).alt, -5000);
    b[10] = 0x88;
    b[11] = 0x13;
    EXPECT_EQ(decode_gps(b).alt, 0);
    b[10] = 0xFF;
    b[11] = 0xFF;
    const GpsRecord r = decode_gps(b);
    EXPECT_EQ(r.alt, 60535);
    EXPECT_EQ(r.hour, 23);
    EXPECT_EQ(r.minute, 59);
    EXPECT_EQ(r.second, 58);
    EXPECT_EQ(r.crc_computed, sonde::crc16(sonde::kCrc16AugCcitt, b, 16));
}
