// The I/Q capture's words: known complex values stored in every format as
// rtl_sdr, a HackRF and a float file hold them (full scale 2^(bits - 1)), and the command line's
// frequencies and sonde descriptions, good and bad.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "iq_format.h"
#include "sonde_option.h"

using namespace rxchain;

namespace {

struct Encoding {
    IqFormat format;
    std::vector<int> bytes;  // for I, Q = (0.5, -0.25), (1, -1), (1.5, -2), (0, 0)
    long clipped;
};

}  // namespace

TEST(IqFormat, KnownValuesInEveryFormat) {
    const float i[] = {0.5f, 1.0f, 1.5f, 0.0f}, q[] = {-0.25f, -1.0f, -2.0f, 0.0f};
    const Encoding table[] = {
        // Full scale at 128 (2^(bits - 1)), halves up: 127.5 + 64 = 191.5 -> 192, 127.5 - 32 = 95.5 -> 96,
        // 255.5 -> 256 beyond 255, -0.5 -> 0, and 0 -> 127.5 -> 128.
        {IqFormat::u8, {192, 96, 255, 0, 255, 0, 128, 128}, 3},
        // 64, -32; 128 beyond 127, -128 in range.
        {IqFormat::s8, {64, 256 - 32, 127, 128, 127, 128, 0, 0}, 3},
        // 16384 (0x4000), -8192 (0xE000), 32767 (32768 clipped), -32768 (0x8000).
        {IqFormat::s16le, {0x00, 0x40, 0x00, 0xE0, 0xFF, 0x7F, 0x00, 0x80, 0xFF, 0x7F, 0x00, 0x80, 0, 0, 0, 0}, 3},
        {IqFormat::wav, {0x00, 0x40, 0x00, 0xE0, 0xFF, 0x7F, 0x00, 0x80, 0xFF, 0x7F, 0x00, 0x80, 0, 0, 0, 0}, 3},
        // IEEE 754 single: 0.5 = 3F000000, -0.25 = BE800000, 1 = 3F800000, -1 = BF800000,
        // 1.5 = 3FC00000, -2 = C0000000, never clipped.
        {IqFormat::f32le,
         {0, 0, 0,    0x3F, 0, 0, 0x80, 0xBE, 0, 0, 0x80, 0x3F, 0, 0, 0x80, 0xBF,
          0, 0, 0xC0, 0x3F, 0, 0, 0,    0xC0, 0, 0, 0,    0,    0, 0, 0,    0},
         0},
    };
    for (const Encoding& e : table) {
        std::vector<unsigned char> out(4 * static_cast<std::size_t>(iq_sample_bytes(e.format)));
        ASSERT_EQ(out.size(), e.bytes.size());
        EXPECT_EQ(iq_encode(e.format, i, q, 4, out.data()), e.clipped);
        EXPECT_EQ(std::vector<int>(out.begin(), out.end()), e.bytes) << static_cast<int>(e.format);
    }
}

TEST(SondeOption, FrequenciesWithSuffixes) {
    const struct {
        const char* text;
        bool ok;
        double hz;
    } table[] = {{"250000", true, 250000}, {"2.048M", true, 2048000}, {"-600k", true, -600000},
                 {"+300k", true, 300000},  {"1e3", true, 1000},       {"k", false, 0},
                 {"250K", true, 250000},   {"nan", false, 0},         {"12 k", false, 0}};
    for (const auto& t : table) {
        double hz = 0;
        EXPECT_EQ(parse_hz(t.text, hz), t.ok) << t.text;
        if (t.ok) {
            EXPECT_DOUBLE_EQ(hz, t.hz) << t.text;
        }
    }
}

TEST(SondeOption, DescriptionsGoodAndBad) {
    SondeOption s;
    std::string why;
    ASSERT_TRUE(parse_sonde_option("v1.wav:kind=vardo:ebn0=12:offset=-600k:drift=-2.5:start=3:stop=90", s, why)) << why;
    EXPECT_EQ(s.path, "v1.wav");
    EXPECT_EQ(s.kind, "vardo");
    EXPECT_EQ(s.ebn0_db, 12);
    EXPECT_EQ(s.offset_hz, -600000);
    EXPECT_EQ(s.drift_hz_per_s, -2.5);
    EXPECT_EQ(s.start_s, 3);
    EXPECT_EQ(s.stop_s, 90);
    // Keys left out stay unset, for the global options to fill.
    ASSERT_TRUE(parse_sonde_option("o.wav", s, why));
    EXPECT_TRUE(s.kind.empty() && std::isnan(s.ebn0_db) && std::isnan(s.offset_hz) && std::isinf(s.stop_s));
    for (const char* bad : {"", ":kind=vardo", "v.wav:kind=other", "v.wav:ebn0=", "v.wav:offset=3x", "v.wav:level=3",
                            "v.wav:kind", "v.wav:start=5:stop=2", "v.wav:start=-1", "v.wav:"})
        EXPECT_FALSE(parse_sonde_option(bad, s, why)) << bad;
}
