// The soft start search on hand-made soft values: four points per bit, the
// pattern ending at a known time.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "ostrel/soft_sync_search.h"

namespace {

using namespace sonde::ostrel;

// Soft values of a bit sequence read at four points per bit: the point at
// the bit's end carries `level`, points inside the neighbouring bit less.
struct Run {
    std::vector<double> llr;
    std::vector<double> time;
};

Run points(const std::vector<int>& bits, double level, const std::vector<int>& wrong = {}, bool blend = true) {
    // A wrong bit reads as the other value; without blending every point of
    // a bit reads the bit alone.
    std::vector<double> val;
    for (std::size_t k = 0; k < bits.size(); k++) {
        double v = (bits[k] ? 1.0 : -1.0) * level;
        for (int w : wrong)
            if (static_cast<std::size_t>(w) == k) v = -v;
        val.push_back(v);
    }
    Run r;
    for (std::size_t k = 0; k < bits.size(); k++) {
        const double prev = k > 0 ? val[k - 1] : val[k];
        for (int p = 1; p <= kSyncPhases; p++) {
            const double share = blend ? static_cast<double>(p) / kSyncPhases : 1.0;  // of the window in bit k
            r.llr.push_back(share * val[k] + (1 - share) * prev);
            r.time.push_back(10.0 * k + 2.5 * p);
        }
    }
    return r;
}

std::vector<int> stream(int idle_before, int after_bits) {
    std::vector<int> b(static_cast<std::size_t>(idle_before), 1);
    for (int j = 20; j < kSyncPatternBits; j++) b.push_back(kSyncPattern[j] - '0');
    // Data after the pattern: 0x55 groups.
    for (int i = 0; i < after_bits; i++) b.push_back(i % 10 == 0 ? 0 : (i % 10 == 9 ? 1 : (i % 2)));
    return b;
}

// The starts found; the last one's peak, and its score (the best the search
// kept) in *score.
int find(const Run& r, double threshold, SyncPeak& peak, double* score = nullptr) {
    SoftSyncSearch s;
    soft_sync_reset(s, threshold);
    int found = 0;
    for (std::size_t i = 0; i < r.llr.size(); i++) {
        SyncPeak p;
        if (soft_sync_push(s, r.llr[i], r.time[i], 2.5, p)) {
            found++;
            peak = p;
            if (score != nullptr) *score = s.best;
        }
    }
    return found;
}

TEST(SoftSyncSearch, CleanPatternIsFoundAtItsEnd) {
    const auto bits = stream(40, 60);
    SyncPeak peak;
    double score = 0.0;
    ASSERT_EQ(find(points(bits, 20.0), 170.0, peak, &score), 1);
    // The pattern's last bit is bit 49, ending at 10 * 49 + 10.
    EXPECT_NEAR(peak.time, 500.0, 1.25);
    EXPECT_DOUBLE_EQ(score, 240.0);
}

TEST(SoftSyncSearch, TwoWrongBitsPassSixDoNot) {
    const auto bits = stream(40, 60);
    SyncPeak peak;
    double score = 0.0;
    // Each bit's share is clipped at 8: 28 * 8 - 2 * 8 = 208 and 24 * 8 - 6 * 8 = 144.
    EXPECT_EQ(find(points(bits, 20.0, {25, 45}, false), 170.0, peak, &score), 1);
    EXPECT_DOUBLE_EQ(score, 208.0);
    EXPECT_EQ(find(points(bits, 20.0, {21, 25, 30, 36, 41, 45}, false), 170.0, peak), 0);
}

TEST(SoftSyncSearch, ShiftedPatternIsNotTaken) {
    // Shifted by two bits, 27 of 30 bits agree (score 192): a threshold
    // below that must still end on the true peak, not the earlier one.
    const auto bits = stream(40, 60);
    SyncPeak peak;
    ASSERT_EQ(find(points(bits, 20.0), 150.0, peak), 1);
    EXPECT_NEAR(peak.time, 500.0, 1.25);
}

TEST(SoftSyncSearch, WeakValuesScoreBelowTheThreshold) {
    // Noise-like soft values of the right signs but small size: each bit's
    // share is its llr, far below the clip.
    const auto bits = stream(40, 60);
    SyncPeak peak;
    EXPECT_EQ(find(points(bits, 4.0), 170.0, peak), 0);
}

// The search as first written: every point scored in full, the score before
// a start kept from the point before. The search skips the points whose
// hard decisions cannot reach the threshold; its starts must be these to the
// bit.
struct FullSearch {
    std::vector<double> llr;
    double last = 0.0;
    bool armed = false;
    double best = 0.0, best_time = 0.0, before = 0.0, after = 0.0;
    int since_best = 0;
};

bool full_push(FullSearch& s, double llr, double t, double step, double threshold, SyncPeak& peak) {
    s.llr.push_back(llr);
    double score = 0.0;
    for (int j = kSyncPatternBits - 1; j >= 0; j--) {  // newest first
        const long at = static_cast<long>(s.llr.size()) - 1 - (kSyncPatternBits - 1 - j) * kSyncPhases;
        const double x = at >= 0 ? s.llr[static_cast<std::size_t>(at)] : 0.0;
        score += std::clamp(kSyncPattern[j] == '1' ? x : -x, -8.0, 8.0);
    }
    const double prev = s.last;
    s.last = score;
    if (s.armed) {
        if (score > s.best) {
            s.best = score, s.best_time = t, s.before = prev, s.since_best = 0;
            return false;
        }
        if (++s.since_best == 1) s.after = score;
        if (s.since_best < kSyncHoldBits * kSyncPhases) return false;
        s.armed = false;
        const double den = s.before - 2.0 * s.best + s.after;
        const double off = den < 0.0 ? std::clamp(0.5 * (s.before - s.after) / den, -0.5, 0.5) : 0.0;
        peak = SyncPeak{s.best_time + off * step};
        return true;
    }
    if (score >= threshold) s.armed = true, s.best = score, s.best_time = t, s.before = prev, s.since_best = 0;
    return false;
}

// Noise with starts of several strengths: scores near the threshold, starts
// that follow starts, and starts whose previous point was cut short.
class SoftSyncSameStarts : public ::testing::TestWithParam<std::tuple<unsigned, double, double>> {};

TEST_P(SoftSyncSameStarts, AsWhenEveryPointIsScoredInFull) {
    const auto [seed, level, threshold] = GetParam();
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 4.0);
    std::vector<int> bits;
    for (int f = 0; f < 40; f++) {
        const auto s = stream(25, 40 + f % 7);
        bits.insert(bits.end(), s.begin(), s.end());
    }
    ::Run r = points(bits, level);
    for (double& v : r.llr) v += noise(rng);
    SoftSyncSearch s;
    soft_sync_reset(s, threshold);
    FullSearch ref;
    int starts = 0;
    for (std::size_t i = 0; i < r.llr.size(); i++) {
        SyncPeak got, want;
        const bool g = soft_sync_push(s, r.llr[i], r.time[i], 2.5, got);
        const bool w = full_push(ref, r.llr[i], r.time[i], 2.5, s.threshold, want);
        ASSERT_EQ(g, w) << "point " << i;
        if (!g) continue;
        starts++;
        EXPECT_EQ(got.time, want.time);
        EXPECT_EQ(s.best, ref.best);
    }
    // The levels straddle the threshold: some starts found, not all.
    if (level >= 7.0 && threshold == 170.0) {
        EXPECT_GT(starts, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(SeedsAndLevels, SoftSyncSameStarts,
                         ::testing::Combine(::testing::Values(1u, 2u, 3u), ::testing::Values(5.0, 7.0, 9.0, 20.0),
                                            // 168: a whole number of clipped bits, the screen's edge
                                            ::testing::Values(170.0, 168.0, 120.0)));

}  // namespace
