// The coherent biphase reader on synthetic h = 0.5 biphase baseband: a clean
// frame comes out without error at residual offsets the reference's window
// spans, with the start given up to a third of a channel bit off and a tenth
// of the given decisions wrong; in noise the symbol errors lie within a
// margin of coherent orthogonal signalling with 2 Ec per symbol,
// Q(sqrt(2 Ec / N0)), up to 120 Hz off tune and at the frame's end too;
// samples not held, or not numbers, give no read or
// finite values.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "iq/coherent_biphase.h"

namespace {

using sonde::iq::BiphaseConfig;
using sonde::iq::BiphaseFrame;
using sonde::iq::CoherentBiphase;
using sonde::iq::SampleRing;

constexpr double kPi = 3.14159265358979323846;
constexpr double kBitRate = 9600.0;
constexpr int kKnown = 32;
constexpr int kSymbols = 800;
constexpr int kTail = 32;  // symbols whose reference window the frame's end cuts short
constexpr int kLead = 40;  // channel bits of noise-only carrier before the known ones

struct Frame {
    std::vector<std::complex<float>> z;  // a power of two long
    std::vector<signed char> known;
    std::vector<unsigned char> symbols;  // 1: the phase turns up first
    double start = 0.0;                  // sample where the first symbol begins
    double period = 0.0;
};

// Known channel bits then symbols, the phase turning +-pi/2 per channel bit
// (linearly), on a carrier offset_hz off, amplitude 1, plus complex white
// noise at Ec/N0 per channel bit (none when ecn0_db is NaN).
Frame biphase(double rate, double offset_hz, double ecn0_db, unsigned seed) {
    Frame f;
    std::mt19937 rng(seed);
    f.period = rate / kBitRate;
    std::vector<int> dirs;
    for (int b = 0; b < kLead; b++) dirs.push_back(b & 1 ? -1 : 1);
    for (int b = 0; b < kKnown; b++) {
        f.known.push_back(static_cast<signed char>(rng() & 1u ? 1 : -1));
        dirs.push_back(f.known.back());
    }
    for (int k = 0; k < kSymbols; k++) {
        f.symbols.push_back(static_cast<unsigned char>(rng() & 1u));
        dirs.push_back(f.symbols.back() ? 1 : -1);
        dirs.push_back(f.symbols.back() ? -1 : 1);
    }
    f.start = 3.3 + (kLead + kKnown) * f.period;
    const auto n = static_cast<std::size_t>(std::ceil(3.3 + (dirs.size() + 8) * f.period));
    std::size_t size = 1;
    while (size < n) size *= 2;
    f.z.assign(size, {});
    // N0 per sample: Ec is `period` samples of power 1.
    const double sigma = std::isnan(ecn0_db) ? 0.0 : std::sqrt(f.period / std::pow(10.0, ecn0_db / 10.0) / 2.0);
    std::normal_distribution<double> noise(0.0, 1.0);
    const double theta0 = 2.1;
    for (std::size_t i = 0; i < n; i++) {
        const double u = (static_cast<double>(i) - 3.3) / f.period;  // channel bits since the first
        double phase = theta0 + 2.0 * kPi * offset_hz * static_cast<double>(i) / rate;
        if (u >= 0.0) {
            const auto whole = static_cast<std::size_t>(u);
            for (std::size_t b = 0; b < whole && b < dirs.size(); b++) phase += dirs[b] * kPi / 2.0;
            if (whole < dirs.size()) phase += dirs[whole] * kPi / 2.0 * (u - static_cast<double>(whole));
        }
        f.z[i] = {static_cast<float>(std::cos(phase) + sigma * noise(rng)),
                  static_cast<float>(std::sin(phase) + sigma * noise(rng))};
    }
    return f;
}

struct Read {
    bool ok = false;
    int errors = 0;
    int tail_errors = 0;  // in the last kTail symbols
    double offset_bits = 0.0;
    std::vector<float> soft;
};

// Read with the start `start_error` channel bits off and every tenth given
// decision wrong.
Read read(const Frame& f, double start_error) {
    CoherentBiphase c;
    sonde::iq::coherent_biphase_init(c, BiphaseConfig{}, kKnown + 2 * kSymbols);
    std::vector<unsigned char> hard(f.symbols);
    for (std::size_t k = 0; k < hard.size(); k += 10) hard[k] ^= 1u;
    BiphaseFrame bf;
    bf.start = f.start + start_error * f.period;
    bf.period = f.period;
    bf.known = f.known.data();
    bf.known_bits = kKnown;
    bf.symbols = kSymbols;
    const SampleRing ring{f.z.data(), static_cast<int64_t>(f.z.size()) - 1, 0, static_cast<int64_t>(f.z.size())};
    Read r;
    r.soft.assign(kSymbols, 0.0f);
    r.ok = sonde::iq::coherent_biphase_read(c, ring, bf, hard.data(), r.soft.data());
    r.offset_bits = c.offset_bits;
    for (int k = 0; k < kSymbols; k++) {
        const bool wrong =
            (r.soft[static_cast<std::size_t>(k)] > 0.0f) != (f.symbols[static_cast<std::size_t>(k)] != 0);
        r.errors += wrong;
        r.tail_errors += wrong && k >= kSymbols - kTail;
    }
    return r;
}

struct CleanCase {
    const char* name;
    double rate, offset_hz, start_error;
};

void PrintTo(const CleanCase& c, std::ostream* os) { *os << c.name; }

const CleanCase kClean[] = {
    {"FiveSamplesPerBit", 48000.0, 0.0, 0.0}, {"FractionalSamplesPerBit", 31250.0, 0.0, 0.0},
    {"StartLate", 31250.0, 0.0, 0.3},         {"StartEarly", 31250.0, 0.0, -0.3},
    {"Offset40Hz", 31250.0, 40.0, 0.2},       {"OffsetMinus40Hz", 62500.0, -40.0, -0.2},
};

class BiphaseClean : public ::testing::TestWithParam<CleanCase> {};

TEST_P(BiphaseClean, EverySymbolRightAndTheStartFound) {
    const CleanCase& c = GetParam();
    const Read r = read(biphase(c.rate, c.offset_hz, std::numeric_limits<double>::quiet_NaN(), 5), c.start_error);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.errors, 0);
    EXPECT_NEAR(r.offset_bits, -c.start_error, 0.06);
    // A clean symbol reads about +-1; up to a quarter more off tune with a
    // tenth of the given decisions wrong (the amplitude is taken from the
    // reference, which both shrink: the window's mean turns through the
    // offset, and a wrong path's integral stands at 90 degrees).
    double mean = 0.0;
    for (float v : r.soft) mean += std::fabs(v);
    EXPECT_GT(mean / kSymbols, 0.95);
    EXPECT_LT(mean / kSymbols, 1.3);
}

INSTANTIATE_TEST_SUITE_P(CoherentBiphase, BiphaseClean, ::testing::ValuesIn(kClean),
                         [](const auto& i) { return std::string(i.param.name); });

struct NoiseCase {
    const char* name;
    double rate, ecn0_db, offset_hz;
};

void PrintTo(const NoiseCase& c, std::ostream* os) { *os << c.name; }

const NoiseCase kNoise[] = {
    {"Ec3dB", 31250.0, 3.0, 15.0},
    {"Ec4dB", 31250.0, 4.0, 15.0},
    {"Ec5dB48k", 48000.0, 5.0, 15.0},
    {"Ec4dBOffset120Hz", 31250.0, 4.0, 120.0},
};

class BiphaseNoise : public ::testing::TestWithParam<NoiseCase> {};

TEST_P(BiphaseNoise, ErrorsNearCoherentTheory) {
    const NoiseCase& c = GetParam();
    constexpr int kFrames = 20;
    int errors = 0, tail = 0;
    for (int i = 0; i < kFrames; i++) {
        const Read r = read(biphase(c.rate, c.offset_hz, c.ecn0_db, 100u + static_cast<unsigned>(i)), 0.2);
        ASSERT_TRUE(r.ok);
        errors += r.errors;
        tail += r.tail_errors;
    }
    const double ec_n0 = std::pow(10.0, c.ecn0_db / 10.0);
    const double theory = 0.5 * std::erfc(std::sqrt(2.0 * ec_n0) / std::sqrt(2.0));
    const double rate = static_cast<double>(errors) / (kFrames * kSymbols);
    // Measured 0.95, 0.99, 0.99 and 0.98 times theory (2026-12-09). A reader
    // a third of a channel bit off, without the sin weight (0.9 dB), or
    // with the residual 120 Hz left in the reference (2.05), errs more than
    // the upper margin allows.
    EXPECT_GT(rate, 0.7 * theory) << errors;
    EXPECT_LT(rate, 1.3 * theory) << errors;
    // Where the frame's end cuts the window short, no worse either (before
    // the residual was taken out: 51 errors at 120 Hz).
    EXPECT_LT(tail, 2.0 * theory * kFrames * kTail + 4.0);
}

INSTANTIATE_TEST_SUITE_P(CoherentBiphase, BiphaseNoise, ::testing::ValuesIn(kNoise),
                         [](const auto& i) { return std::string(i.param.name); });

TEST(CoherentBiphase, SamplesNotHeldGiveNoRead) {
    Frame f = biphase(31250.0, 0.0, std::numeric_limits<double>::quiet_NaN(), 3);
    CoherentBiphase c;
    sonde::iq::coherent_biphase_init(c, BiphaseConfig{}, kKnown + 2 * kSymbols);
    std::vector<unsigned char> hard(f.symbols);
    std::vector<float> soft(kSymbols, 7.0f);
    BiphaseFrame bf{f.start, f.period, f.known.data(), kKnown, kSymbols, 1};
    const auto size = static_cast<int64_t>(f.z.size());
    // The ring's oldest samples already overwritten.
    EXPECT_FALSE(
        sonde::iq::coherent_biphase_read(c, SampleRing{f.z.data(), size - 1, 400, size}, bf, hard.data(), soft.data()));
    // More channel bits than the reader was made for.
    bf.symbols = kSymbols + 1;
    EXPECT_FALSE(
        sonde::iq::coherent_biphase_read(c, SampleRing{f.z.data(), size - 1, 0, size}, bf, hard.data(), soft.data()));
    EXPECT_EQ(soft[0], 7.0f);
}

TEST(CoherentBiphase, SamplesNotNumbersGiveFiniteValues) {
    Frame f = biphase(31250.0, 0.0, 6.0, 4);
    for (std::size_t i = 500; i < f.z.size(); i += 97) f.z[i] = {std::numeric_limits<float>::quiet_NaN(), 1e30f};
    const Read r = read(f, 0.0);
    ASSERT_TRUE(r.ok);
    for (float v : r.soft) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
