// The coherent 2-FSK detector on synthetic h = 1 CPFSK: clean bits come out
// right at any offset the frequency loop pulls in, in noise the bit errors
// are those of coherent orthogonal FSK (Q(sqrt(Eb/N0))) within a margin and
// well below a non-coherent detector's (exp(-Eb/2N0) / 2), and bad samples
// give finite output.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "iq/coherent_fsk.h"

namespace {

using sonde::iq::CoherentFsk;
using sonde::iq::CoherentFskConfig;

constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = 24000.0;  // 5 samples per bit: bit edges on samples
constexpr int kSps = 5;
constexpr int kOutSps = 10;  // at the 48 kHz soft rate

struct Signal {
    std::vector<int> bits;
    std::vector<float> iq;
};

// NRZ bits keying +-2400 Hz on a carrier offset_hz off, continuous phase,
// amplitude 1, plus complex white noise at Eb/N0 (none when ebn0_db is NaN).
Signal cpfsk(int n_bits, double offset_hz, double ebn0_db, unsigned seed) {
    Signal s;
    std::mt19937 rng(seed);
    s.bits.resize(static_cast<std::size_t>(n_bits));
    for (int& b : s.bits) b = static_cast<int>(rng() & 1u);
    const double eb_n0 = std::pow(10.0, ebn0_db / 10.0);
    // Eb = kSps samples of power 1; N0 = the complex noise's power per sample.
    std::normal_distribution<double> noise(0.0, std::isnan(ebn0_db) ? 0.0 : std::sqrt(kSps / eb_n0 / 2.0));
    double phase = 0.7;
    for (int k = 0; k < n_bits; k++) {
        for (int i = 0; i < kSps; i++) {
            phase += 2.0 * kPi * ((s.bits[static_cast<std::size_t>(k)] ? 2400.0 : -2400.0) + offset_hz) / kRate;
            s.iq.push_back(static_cast<float>(std::cos(phase) + noise(rng)));
            s.iq.push_back(static_cast<float>(std::sin(phase) + noise(rng)));
        }
    }
    return s;
}

std::vector<float> detect(const std::vector<float>& iq) {
    CoherentFsk d;
    EXPECT_TRUE(sonde::iq::coherent_fsk_init(d, CoherentFskConfig{}, kRate, 1000));
    std::vector<float> out(static_cast<std::size_t>(sonde::iq::coherent_fsk_max_out(d, 1000))), all;
    const int n = static_cast<int>(iq.size() / 2);
    for (int at = 0; at < n; at += 1000) {
        const int m = std::min(1000, n - at);
        const int got = sonde::iq::coherent_fsk_run(d, iq.data() + 2 * at, m, out.data());
        all.insert(all.end(), out.begin(), out.begin() + got);
    }
    return all;
}

// Bit errors after integrate-and-dump over each bit, at the delay (in soft
// samples) that gives fewest, counting bits from `skip` on (the loops settle).
int fewest_errors(const std::vector<float>& soft, const std::vector<int>& bits, int skip, int* counted) {
    int best = 1 << 30;
    for (int lag = 0; lag < 40 * kOutSps; lag++) {
        int errors = 0, n = 0;
        for (std::size_t k = static_cast<std::size_t>(skip); k < bits.size(); k++) {
            const std::size_t at = k * kOutSps + static_cast<std::size_t>(lag);
            if (at + kOutSps > soft.size()) break;
            double v = 0.0;
            for (int i = 0; i < kOutSps; i++) v += soft[at + static_cast<std::size_t>(i)];
            errors += (v > 0.0) != (bits[k] == 1);
            n++;
        }
        if (errors < best) {
            best = errors;
            *counted = n;
        }
    }
    return best;
}

struct Case {
    double ebn0_db;  // NaN: no noise
    double offset_hz;
};

class CoherentFskBits : public ::testing::TestWithParam<Case> {};

// Clean: every bit right once the loops settle, at any offset the loop pulls
// in (up to +-bit_rate / (2 * 2 bits) = 1200 Hz; the AFC leaves a few hundred
// Hz where '+' and '-' bits are unequal in number). In noise: the errors of
// coherent FSK within the few tenths of a dB that the references, the loop
// and the output filter cost, and well below a non-coherent detector's.
TEST_P(CoherentFskBits, CleanErrorFreeAndInNoiseNearCoherentTheory) {
    const Case c = GetParam();
    const bool clean = std::isnan(c.ebn0_db);
    const Signal s = cpfsk(clean ? 3000 : 40000, c.offset_hz, c.ebn0_db, clean ? 1 : 5);
    int n = 0;
    const int errors = fewest_errors(detect(s.iq), s.bits, 400, &n);
    if (clean) {
        EXPECT_EQ(errors, 0);
        EXPECT_GT(n, 2400);
        return;
    }
    const double ber = static_cast<double>(errors) / n;
    const double eb_n0 = std::pow(10.0, c.ebn0_db / 10.0);
    const double coherent = 0.5 * std::erfc(std::sqrt(eb_n0 / 2.0));
    const double noncoherent = 0.5 * std::exp(-eb_n0 / 2.0);
    EXPECT_LT(ber, 1.6 * coherent) << "coherent " << coherent;
    EXPECT_LT(ber, 0.5 * noncoherent) << "non-coherent " << noncoherent;
    EXPECT_GT(ber, 0.5 * coherent);
}

INSTANTIATE_TEST_SUITE_P(CoherentFsk, CoherentFskBits,
                         ::testing::Values(Case{NAN, 0.0}, Case{NAN, 35.0}, Case{NAN, -150.0}, Case{NAN, 300.0},
                                           Case{NAN, -500.0}, Case{NAN, 1000.0}, Case{NAN, -1100.0}, Case{7.0, 0.0},
                                           Case{8.0, 0.0}, Case{8.0, 200.0}),
                         [](const ::testing::TestParamInfo<Case>& i) {
                             const std::string at = std::to_string(static_cast<int>(std::fabs(i.param.offset_hz))) +
                                                    (i.param.offset_hz < 0 ? "Hz_below" : "Hz");
                             return std::isnan(i.param.ebn0_db)
                                        ? "clean_" + at
                                        : std::to_string(static_cast<int>(i.param.ebn0_db)) + "dB_" + at;
                         });

TEST(CoherentFsk, NonFiniteSamplesGiveFiniteOutput) {
    Signal s = cpfsk(400, 0.0, 10.0, 9);
    for (std::size_t i = 0; i < s.iq.size(); i += 7) s.iq[i] = (i / 7) % 2 ? NAN : INFINITY;
    for (float v : detect(s.iq)) ASSERT_TRUE(std::isfinite(v));
    const std::vector<float> silence(2000, 0.0f);
    for (float v : detect(silence)) ASSERT_EQ(v, 0.0f);
}

TEST(CoherentFsk, RefusesARateBelowFourTimesTheTone) {
    CoherentFsk d;
    EXPECT_FALSE(sonde::iq::coherent_fsk_init(d, CoherentFskConfig{}, 9000.0, 100));
    EXPECT_FALSE(sonde::iq::coherent_fsk_init(d, CoherentFskConfig{}, kRate, 0));
}

}  // namespace
