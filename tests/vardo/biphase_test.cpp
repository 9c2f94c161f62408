#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "slicer/rawbit.h"
#include "synth/wav_writer.h"
#include "vardo/biphase.h"

using namespace sonde;
using namespace sonde::vardo;

namespace {
std::string decode(const std::string& raw) {
    std::string bits(raw.size() / 2, '?');
    dpsk_bpm(raw.c_str(), bits.data(), static_cast<int>(raw.size()));
    return bits;
}
}  // namespace

TEST(Biphase, FirstValidPairIsZeroAndChangesAreZero) {
    EXPECT_EQ(decode("1001"), "00");
    EXPECT_EQ(decode("1010"), "01");
}

TEST(Biphase, PolarityDoesNotMatter) {
    EXPECT_EQ(decode("0110"), "00");
    EXPECT_EQ(decode("1001"), "00");
    EXPECT_EQ(decode("011001100101"), decode("100110011010"));
}

TEST(Biphase, InvalidPairGivesXAndResetsTheState) {
    EXPECT_EQ(decode("10"
                     "00"
                     "01"),
              "0x1");
    EXPECT_EQ(decode("10"
                     "00"
                     "10"),
              "0x0");
    EXPECT_EQ(decode("10"
                     "11"
                     "01"),
              "0x1");
    // After an invalid pair the inverse no longer decodes the same.
    EXPECT_EQ(decode("01"
                     "11"
                     "10"),
              "0x0");
}

TEST(Biphase, OddCountIgnoresTheLastChannelBit) {
    char bits[4] = {'?', '?', '?', '?'};
    dpsk_bpm("10101", bits, 5);
    EXPECT_EQ(std::string(bits, 3), "01?");
}

TEST(Biphase, ReturnsTheLastSymbol) {
    char bits[4];
    EXPECT_EQ(dpsk_bpm("1001", bits, 4), 0);
    EXPECT_EQ(dpsk_bpm("0110", bits, 4), 1);
    EXPECT_EQ(dpsk_bpm("1000", bits, 4), 0);
}

TEST(Biphase, BitsToBytesMostSignificantFirst) {
    uint8_t bytes[2];
    bits2bytes(
        "01100100"
        "10011111",
        bytes, 2);
    EXPECT_EQ(bytes[0], 0x64);
    EXPECT_EQ(bytes[1], 0x9F);
    bits2bytes(
        "x1x1x1x1"
        "1111111x",
        bytes, 2);
    EXPECT_EQ(bytes[0], 0x55);
    EXPECT_EQ(bytes[1], 0xFE);
}

namespace {
// A mono 16-bit recording of the given samples, opened as the decoder does.
struct MemWav {
    std::string image;
    WavInput in;
    explicit MemWav(const std::vector<int>& samples, int rate = 48000) {
        WavSpec wav_spec;
        wav_spec.sample_rate = rate;
        image = wav_header(wav_spec, samples.size() * 2);
        for (int s : samples) {
            image += static_cast<char>(s & 0xFF);
            image += static_cast<char>((s >> 8) & 0xFF);
        }
        in.nominal_bit_rate = 9600.0f;
        source_open_memory(in.src, image.data(), image.size());
        EXPECT_EQ(read_wav_header(in, -1), 0);
    }
};
}  // namespace

TEST(Biphase, SymbolReaderHighThenLowIsOne) {
    MemWav w({100, 100, 100, 100, 100, -100, -100, -100, -100, -100, -50, -50, -50, -50, -50, 50, 50, 50, 50, 50});
    RawbitClock c;
    c.bitstart = 1;
    int b = -1;
    ASSERT_EQ(read_rawbit_pair(c, w.in, 0, &b), 0);
    EXPECT_EQ(b, 1);
    ASSERT_EQ(read_rawbit_pair(c, w.in, 0, &b), 0);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(read_rawbit_pair(c, w.in, 0, &b), -1);
    EXPECT_EQ(b, 0);
}

TEST(Biphase, SymbolReaderZeroSumIsOneUnlessInverted) {
    MemWav w({7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7});
    RawbitClock c;
    c.bitstart = 1;
    int b = -1;
    ASSERT_EQ(read_rawbit_pair(c, w.in, 0, &b), 0);
    EXPECT_EQ(b, 1);
    ASSERT_EQ(read_rawbit_pair(c, w.in, 1, &b), 0);
    EXPECT_EQ(b, 0);
}

TEST(Biphase, SymbolReaderKeepsFractionalTimingAt44100) {
    // 4.59375 samples per channel bit: the halves hold 5, 5, 4, 5 samples.
    std::vector<int> s;
    for (int i = 0; i < 5; i++) s.push_back(1000);
    for (int i = 0; i < 5; i++) s.push_back(-1000);
    for (int i = 0; i < 4; i++) s.push_back(-1000);
    for (int i = 0; i < 5; i++) s.push_back(1000);
    MemWav w(s, 44100);
    RawbitClock c;
    c.bitstart = 1;
    int b = -1;
    ASSERT_EQ(read_rawbit_pair(c, w.in, 0, &b), 0);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(c.scount, 10u);
    ASSERT_EQ(read_rawbit_pair(c, w.in, 0, &b), 0);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c.scount, 19u);
}
