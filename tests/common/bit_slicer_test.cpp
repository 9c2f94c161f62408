// The zero-crossing slicer and the integrate-and-dump reader, on sample
// sequences fed through a test source and through real WAV images.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "slicer/run_readers.h"
#include "slicer/rawbit.h"
#include "synth/signals.h"
#include "synth/wav_writer.h"

using namespace sonde;

namespace {

// A second sample source, as the slicer's template accepts one.
struct ListSource {
    std::vector<int> samples;
    std::size_t at = 0;
};
int read_sample(ListSource& s) { return s.at < s.samples.size() ? s.samples[s.at++] : kEndOfData; }

// Runs of alternating sign, the first positive; each value is a length in samples.
ListSource runs(const std::vector<int>& lengths, int level = 1000) {
    ListSource s;
    int sign = 1;
    for (int n : lengths) {
        for (int i = 0; i < n; i++) s.samples.push_back(sign * level);
        sign = -sign;
    }
    return s;
}

struct SlicedRun {
    int bit, len;
    bool operator==(const SlicedRun&) const = default;
};

template <class Source>
std::vector<SlicedRun> slice_all(SlicerState& st, Source& src, float spb) {
    std::vector<SlicedRun> out;
    int bit = -7, len = -7;
    while (read_bits_fsk(st, src, spb, &bit, &len) == 0) out.push_back({bit, len});
    EXPECT_EQ(bit == -7, out.empty());
    return out;
}

std::unique_ptr<WavInput> open_wav(const std::string& file, float nominal) {
    auto in = std::make_unique<WavInput>();
    in->nominal_bit_rate = nominal;
    source_open_memory(in->src, file.data(), file.size());
    EXPECT_EQ(read_wav_header(*in, -1), 0);
    return in;
}

}  // namespace

TEST(Slicer, RunLengthsRoundToWholeBitsAtFiveSamplesPerBit) {
    // The first run also counts the sample that ended it; from then on a run
    // of k samples is k samples long. The final run is never closed.
    SlicerState st;
    ListSource src = runs({4, 2, 7, 8, 12, 13, 1});
    std::vector<SlicedRun> got = slice_all(st, src, 5.0f);
    EXPECT_EQ(got, (std::vector<SlicedRun>{{1, 1}, {0, 0}, {1, 1}, {0, 2}, {1, 2}, {0, 3}}));
}

TEST(Slicer, RunLengthsAtFractionalSamplesPerBit) {
    SlicerState st;
    ListSource src = runs({4, 5, 9, 14, 2, 3, 1});
    std::vector<SlicedRun> got = slice_all(st, src, 4.59375f);
    // 5/4.59375 = 1.09, 9/.. = 1.96, 14/.. = 3.05, 2/.. = 0.44, 3/.. = 0.65
    EXPECT_EQ(got, (std::vector<SlicedRun>{{1, 1}, {0, 1}, {1, 2}, {0, 3}, {1, 0}, {0, 1}}));
}

TEST(Slicer, RecoversSynthesizedBitsAtEveryRate) {
    // Random patterns with runs up to 8 bits survive slicing exactly, also
    // with fractional samples per bit (44100 Hz) that never drift.
    struct Case {
        int rate;
        double baud;
        float nominal;
    };
    for (Case c : {Case{48000, 9600, 9600.0f}, Case{44100, 9600, 9600.0f}, Case{96000, 9600, 9600.0f},
                   Case{48000, 4800, 4800.0f}, Case{44100, 4800, 4800.0f}}) {
        std::string bits;
        uint64_t x = 12345;
        while (bits.size() < 4000) {
            x = x * 6364136223846793005ull + 1442695040888963407ull;
            int run = static_cast<int>((x >> 33) % 8) + 1;
            bits.append(static_cast<std::size_t>(run), bits.empty() || bits.back() == '0' ? '1' : '0');
        }
        WavSpec wav_spec;
        wav_spec.sample_rate = c.rate;
        BasebandGen g{static_cast<double>(c.rate), c.baud, 0.5};
        std::vector<double> signal;
        baseband_bits(g, signal, bits);
        baseband_hold(g, signal, bits.back() == '1' ? -1.0 : 1.0, 2);  // closes the last run
        std::string file = wav_file(wav_spec, signal);
        auto in = open_wav(file, c.nominal);
        SlicerState st;
        std::string got;
        int bit, len;
        while (read_bits_fsk(st, *in, in->samples_per_bit, &bit, &len) == 0) {
            got.append(static_cast<std::size_t>(len), static_cast<char>('0' + bit));
        }
        EXPECT_EQ(got, bits) << c.rate << " " << c.baud;
    }
}

TEST(Slicer, ZeroCountsAsPositiveAndInversionSwapsLevels) {
    SlicerState st;
    st.option_inv = 1;
    ListSource src{{0, 0, 0, 0, -5, -5, -5, -5, -5, 0}};
    std::vector<SlicedRun> got = slice_all(st, src, 5.0f);
    EXPECT_EQ(got, (std::vector<SlicedRun>{{0, 1}, {1, 1}}));
}

TEST(Slicer, AStreamStartingNegativeEndsItsFirstRunAfterOneSample) {
    SlicerState st;
    ListSource src{{-3, -3, -3, -3, -3, 3}};
    std::vector<SlicedRun> got = slice_all(st, src, 5.0f);
    // par starts at +1: the first negative sample closes a one-sample run.
    EXPECT_EQ(got, (std::vector<SlicedRun>{{1, 0}, {0, 1}}));
}

TEST(Slicer, EndOfDataInsideARunLeavesTheOutputsUntouched) {
    SlicerState st;
    ListSource src{{5, 5, 5}};
    int bit = 42, len = 43;
    EXPECT_EQ(read_bits_fsk(st, src, 5.0f, &bit, &len), -1);
    EXPECT_EQ(bit, 42);
    EXPECT_EQ(len, 43);
    EXPECT_EQ(read_bits_fsk(st, src, 5.0f, &bit, &len), -1);
}

TEST(Slicer, InterpolatedCrossingCarriesIntoTheNextRun) {
    SlicerState st;
    st.option_res = 1;
    // SlicedRun of + ending at 100 then -300: the crossing lies 0.75 sample before -300.
    ListSource src{{50, 100, 100, 100, 100, 100, -300, -300, -300, -300, -300, -100, 100}};
    int bit, len;
    ASSERT_EQ(read_bits_fsk(st, src, 5.0f, &bit, &len), 0);
    EXPECT_FLOAT_EQ(st.x0, 0.75f);
    EXPECT_EQ(len, 1);  // (7 + 0 - 0.75) / 5 = 1.25
    ASSERT_EQ(read_bits_fsk(st, src, 5.0f, &bit, &len), 0);
    // Ends at -100 then 100: x1 = 0.5; (6 + 0.75 - 0.5) / 5 = 1.25
    EXPECT_FLOAT_EQ(st.x0, 0.5f);
    EXPECT_EQ(len, 1);
    EXPECT_EQ(bit, 0);
}

TEST(Slicer, AVeryLongRunIsClampedNotOverflowed) {
    SlicerState st;
    // A run far longer than any frame: at 1e-9 samples per bit it would be
    // ~1e18 bits; the reported length saturates.
    ListSource s = runs({1000, 1});
    int bit, len;
    ASSERT_EQ(read_bits_fsk(st, s, 1e-7f, &bit, &len), 0);
    EXPECT_EQ(len, kMaxRunBits);
}

TEST(Rawbit, OwnCountWindowsFollowFractionalPeriodsWithoutDrift) {
    WavSpec wav_spec;
    wav_spec.sample_rate = 44100;
    std::string file = wav_file(wav_spec, std::vector<double>(100, 0.25));
    auto in = open_wav(file, 9600.0f);
    RawbitClock clock;
    clock.bitstart = 1;
    std::vector<uint64_t> sizes;
    uint64_t before = 0;
    int bit;
    for (int i = 0; i < 8; i++) {
        ASSERT_EQ(read_rawbit(clock, *in, 0, &bit), 0);
        EXPECT_EQ(bit, 1);
        sizes.push_back(clock.scount - before);
        before = clock.scount;
    }
    EXPECT_EQ(sizes, (std::vector<uint64_t>{5, 5, 4, 5, 4, 5, 5, 4}));
}

TEST(Rawbit, SampleCountAnchorStartsOneSampleBack) {
    WavSpec wav_spec;
    std::vector<double> signal(1100, 0.0);
    for (std::size_t i = 0; i < signal.size(); i++) signal[i] = (i >= 1000 && i < 1009) ? -0.5 : 0.5;
    std::string file = wav_file(wav_spec, signal);
    auto in = open_wav(file, 4800.0f);
    for (int i = 0; i < 1000; i++) read_signed_sample(*in);
    ASSERT_EQ(in->sample_count, 1000u);
    RawbitClock clock;
    clock.anchor = RawbitAnchor::sample_count;
    clock.bitstart = 1;
    int bit;
    // Samples number 1001..1009 (indexes 1000..1008): all negative.
    ASSERT_EQ(read_rawbit(clock, *in, 0, &bit), 0);
    EXPECT_EQ(bit, 0);
    EXPECT_EQ(in->sample_count, 1009u);
    ASSERT_EQ(read_rawbit(clock, *in, 0, &bit), 0);
    EXPECT_EQ(bit, 1);
    EXPECT_EQ(in->sample_count, 1019u);
}

TEST(Rawbit, ZeroSumReadsAsOneAndInversionFlips) {
    WavSpec wav_spec;
    std::string file = wav_file(wav_spec, {0.5, -0.5, 0.25, -0.25, 0.0, 0.5, -0.5, 0.25, -0.25, 0.0});
    auto in = open_wav(file, 9600.0f);
    RawbitClock clock;
    clock.bitstart = 1;
    int bit;
    ASSERT_EQ(read_rawbit(clock, *in, 0, &bit), 0);
    EXPECT_EQ(bit, 1);
    ASSERT_EQ(read_rawbit(clock, *in, 1, &bit), 0);
    EXPECT_EQ(bit, 0);
    EXPECT_EQ(read_rawbit(clock, *in, 0, &bit), -1);
}

TEST(Rawbit, LongPeriodsOfFullScaleSamplesWrapInsteadOfOverflowing) {
    // 70000 samples of -32768 sum below the 32-bit range; the sum wraps as
    // the 32-bit accumulator does, without undefined behaviour.
    WavSpec wav_spec;
    std::string file = wav_file(wav_spec, std::vector<double>(70000, -1.0));
    auto in = open_wav(file, 9600.0f);
    in->samples_per_bit = 70000.0f;
    RawbitClock clock;
    clock.bitstart = 1;
    int bit;
    ASSERT_EQ(read_rawbit(clock, *in, 0, &bit), 0);
    uint32_t sum = 0;
    for (int i = 0; i < 70000; i++) sum += static_cast<uint32_t>(-32767);
    EXPECT_EQ(bit, static_cast<int32_t>(sum) >= 0 ? 1 : 0);
}

namespace {
// Integrate-and-dump one sample at a time, the plain form of the period
// rule: add samples until the count reaches the period's end.
int rawbit_one_by_one(RawbitClock& c, WavInput& in, int inv, int* bit) {
    rawbit_next_period(c, in);
    uint32_t sum = 0;
    const bool own = c.anchor == RawbitAnchor::own_count;
    do {
        const int s = read_signed_sample(in);
        if (s == kEndOfData) return -1;
        sum += static_cast<uint32_t>(s);
        if (own) c.scount++;
    } while (static_cast<double>(own ? c.scount : in.sample_count) < c.bitgrenze);
    const int b = static_cast<int32_t>(sum) >= 0 ? 1 : 0;
    *bit = inv ? 1 - b : b;
    return 0;
}
}  // namespace

// Periods are summed straight from the input block (16-bit mono here);
// one sample at a time (the same signal in stereo) gives the same bits,
// clock and counts for either anchoring, at fractional, short and long
// periods, up to a period cut by the end of the data.
TEST(Rawbit, PeriodsFromTheBlockEqualSampleBySample) {
    std::vector<double> signal(20011);
    uint32_t lcg = 99;
    for (double& x : signal) {
        lcg = lcg * 1664525u + 1013904223u;
        x = static_cast<double>(lcg >> 8) / 8388608.0 - 1.0;
    }
    WavSpec mono_spec, stereo_spec;
    stereo_spec.channels = 2;
    const std::string mono = wav_file(mono_spec, signal);
    const std::string stereo = wav_file(stereo_spec, signal, std::vector<double>(signal.size(), 0.9));
    for (RawbitAnchor anchor : {RawbitAnchor::own_count, RawbitAnchor::sample_count}) {
        for (float spb : {0.5f, 1.0f, 1.5f, 2.0f, 4.59375f, 5.0f, 10.0f, 63.5f, 64.0f, 200.25f}) {
            SCOPED_TRACE(testing::Message() << "samples per bit " << spb);
            auto a = open_wav(mono, 9600.0f), b = open_wav(stereo, 9600.0f);
            a->samples_per_bit = b->samples_per_bit = spb;
            RawbitClock ca, cb;
            ca.anchor = cb.anchor = anchor;
            for (int i = 0;; i++) {
                if (i % 50 == 0) ca.bitstart = cb.bitstart = 1;  // restarts, as after each sync word
                int bit_a = -1, bit_b = -1;
                const int ra = read_rawbit(ca, *a, i % 3 == 0, &bit_a);
                const int rb = rawbit_one_by_one(cb, *b, i % 3 == 0, &bit_b);
                ASSERT_EQ(ra, rb);
                ASSERT_EQ(bit_a, bit_b);
                ASSERT_EQ(ca.scount, cb.scount);
                ASSERT_EQ(a->sample_count, b->sample_count);
                ASSERT_EQ(ca.bitgrenze, cb.bitgrenze);
                if (ra < 0) break;
            }
        }
    }
}
