#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ostrel/bit_timing.h"

using namespace sonde;
using namespace sonde::ostrel;

namespace {

struct Frames {
    std::vector<std::vector<unsigned char>> got;
    std::vector<int> groups;
};

// Feeds `samples` decisions of one tone, as the sample loop does: none
// while the first 128 samples fill the window.
void hold(BitTiming& t, int tone, int samples, Frames& f) {
    auto on_frame = [&f](const unsigned char* bits, int groups) {
        f.got.emplace_back(bits, bits + kFrameBits);
        f.groups.push_back(groups);
    };
    std::vector<int8_t> decision(samples);
    for (int i = 0; i < samples; i++)
        decision[i] = static_cast<int8_t>(t.sample_index + 1 + i < kDftSize ? kToneNotFull : tone);
    timing_decisions(t, decision.data(), samples, on_frame);
}

// The ring's bits, oldest first; '8' where none was decided.
std::string ring_text(const BitTiming& t) {
    std::string s;
    for (int i = kSyncPatternBits - 1; i >= 0; i--)
        s.push_back(t.ring.valid >> i & 1 ? static_cast<char>('0' + (t.ring.bits >> i & 1)) : '8');
    return s;
}

std::string group_bits(int byte) {
    std::string s = "0";
    for (int i = 0; i < 8; i++) s.push_back(((byte >> i) & 1) ? '1' : '0');
    return s + "1";
}

std::unique_ptr<BitTiming> timing(int rate) {
    auto t = std::make_unique<BitTiming>();
    bit_timing_init(*t, rate, 16);
    return t;
}

}  // namespace

TEST(RunBits, At48000HalfABitIsTheThreshold) {
    auto t = timing(48000);
    ASSERT_EQ(t->bit_len, 40);
    EXPECT_EQ(run_bits(19, 40), 0);
    EXPECT_EQ(run_bits(20, 40), 1);
    EXPECT_EQ(run_bits(59, 40), 1);
    EXPECT_EQ(run_bits(60, 40), 2);
}

TEST(RunBits, At44100LongRunsGainABit) {
    auto t = timing(44100);
    ASSERT_EQ(t->bit_len, 36);
    for (int bits = 1; bits <= 22; bits++) {
        EXPECT_EQ(run_bits(static_cast<int>(bits * 36.75), 36), bits) << bits;
        EXPECT_EQ(run_bits(static_cast<int>(bits * 36.75 + 0.999), 36), bits) << bits;
    }
    EXPECT_EQ(run_bits(1102, 36), 31);
}

TEST(RunBits, NoBitLengthCountsNothing) {
    EXPECT_EQ(run_bits(100000, 0), 0);
    EXPECT_EQ(timing(1000)->bit_len, 0);
}

TEST(RunBits, SixtyFourBitCountersTimeLongInputs) {
    auto t = timing(48000);
    Frames f;
    hold(*t, 1, 200, f);
    // As if more than 12 hours of one tone had passed.
    t->sample_index += int64_t{3} << 31;
    hold(*t, 0, 40, f);
    EXPECT_EQ(t->run_start, t->sample_index - 39);
    EXPECT_EQ(ring_text(*t).substr(kSyncPatternBits - 3), "111");
}

TEST(BitTiming, FirstChangePushesTheUndecidedState) {
    auto t = timing(48000);
    Frames f;
    hold(*t, 1, 128, f);  // fills the ring, no decision yet
    hold(*t, 1, 1, f);    // first decision at sample 128: a run of 128 samples
    EXPECT_EQ(ring_text(*t), std::string(kSyncPatternBits, '8'));
    EXPECT_EQ(t->run_bit, 1);
}

TEST(BitTiming, ShortRunGivesNoBitAndIsNotAddedToItsNeighbours) {
    auto t = timing(48000);
    Frames f;
    hold(*t, 1, 129, f);
    hold(*t, 1, 79, f);  // run of 1 from sample 128: 80 samples, 2 bits
    hold(*t, 0, 15, f);  // 15 samples: no bit
    hold(*t, 1, 99, f);  // timed from the end of the short run: 99 samples, 2 bits
    hold(*t, 0, 1, f);
    const std::string r = ring_text(*t);
    EXPECT_EQ(r.substr(kSyncPatternBits - 7), "8881111");
}

TEST(BitTiming, SyncPatternStartsAFrameOfHundredGroups) {
    auto t = timing(48000);
    Frames f;
    std::string bits(25, '1');
    std::string frame = group_bits(0x01);
    for (int i = 1; i < 101; i++) frame += group_bits((i * 37) & 0xFF);
    bits += frame;
    hold(*t, 1, 128, f);
    for (char c : bits) hold(*t, c - '0', 40, f);
    ASSERT_EQ(f.got.size(), 1u);
    EXPECT_EQ(f.groups[0], 100);
    std::string got;
    for (unsigned char b : f.got[0]) got.push_back(static_cast<char>('0' + b));
    EXPECT_EQ(got, frame.substr(0, kFrameBits));
    EXPECT_EQ(t->in_frame, 0);
    EXPECT_EQ(t->bitpos, 0);
    for (int i = 0; i < 10; i++) EXPECT_EQ(t->bitframe[i], kFirstGroup[i]);
}

TEST(BitTiming, NineteenIdleBitsAreNotEnough) {
    auto t = timing(48000);
    Frames f;
    hold(*t, 0, 129 + 100, f);
    std::string bits(19, '1');
    bits += group_bits(0x01);
    for (int i = 1; i < 101; i++) bits += group_bits(0x55);
    for (char c : bits) hold(*t, c - '0', 40, f);
    EXPECT_TRUE(f.got.empty());
}
