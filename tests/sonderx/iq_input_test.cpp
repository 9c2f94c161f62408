// sonderx --iq end to end: captures made by rxchain (--iq-out) from the
// synthesizers' frames at fixed seeds, Eb/N0 a few dB above each kind's
// threshold, decoded with a margin; the carrier found far from the centre
// and reported at its frequency; what is no sonde (noise with the DC spike,
// a steady carrier) gives no channel and no frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "../iq/iq_signals.h"
#include "sonderx_recordings.h"

namespace {

struct IqCase {
    const char* name;
    const char* kind;
    const char* format;  // --iq-out and --iq
    double offset_hz;
    double ebn0_db;
    int frames;
    int least_good;                        // of frames (the search takes about a second first)
    std::vector<std::string> faults = {};  // more rxchain options: the SDR's faults
};

void PrintTo(const IqCase& c, std::ostream* os) { *os << c.name; }

const IqCase kKinds[] = {
    {"VardoU8FarOut", "vardo", "u8", 95000.0, 13.0, 12, 9},
    {"VardoF32", "vardo", "f32le", -25000.0, 13.0, 12, 9},
    {"PelkinU8", "pelkin", "u8", -90000.0, 14.0, 10, 7},
    {"PelkinF32", "pelkin", "f32le", 25000.0, 14.0, 10, 7},
    {"OstrelU8", "ostrel", "u8", 60000.0, 19.0, 8, 6},
    {"OstrelF32", "ostrel", "f32le", -60000.0, 19.0, 8, 6},
    // Strong enough that its I/Q image (about 30 dB down, at -60 kHz) and the
    // DC spike are well above the noise: still one carrier, each frame once.
    {"VardoStrongWithImageAndDcSpike",
     "vardo",
     "u8",
     60000.0,
     40.0,
     12,
     10,
     {"--iq-imbalance", "0.5,3", "--dc-spike", "-30"}},
};

class IqCaptures : public ::testing::TestWithParam<IqCase> {};

TEST_P(IqCaptures, FindTheCarrierAndDecodeItsKindOnly) {
    const IqCase& c = GetParam();
    TempDir dir;
    char offset[32], ebn0[32];
    std::snprintf(offset, sizeof offset, "%.0f", c.offset_hz);
    std::snprintf(ebn0, sizeof ebn0, "%.1f", c.ebn0_db);
    std::vector<std::string> options{"--ebn0", ebn0, "--seed", "7", "--offset", offset, "--iq-out", c.format};
    options.insert(options.end(), c.faults.begin(), c.faults.end());
    const std::string capture = iq_capture_of(dir, c.kind, c.frames, options);
    ASSERT_FALSE(capture.empty());

    const ProcessResult r =
        run_program(SONDERX_EXE, {"--iq", c.format, "--rate", "250k", "--center", "403.5M", "--csv", capture});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("1 carrier heard"), std::string::npos) << r.err;
    int good = 0;
    for (const Row& row : csv_rows(r.out)) {
        ASSERT_EQ(row.kind, c.kind) << r.out;
        ASSERT_EQ(row.cells.size(), 17u) << r.out;
        good += row.ok;
        // offset_hz, freq_hz, level_dbfs: the carrier where it was put (the AFC
        // follows the mean frequency, which an NRZ frame's data moves by up to
        // a deviation).
        EXPECT_NEAR(std::stod(row.cells[14]), c.offset_hz, 2500.0);
        EXPECT_NEAR(std::stod(row.cells[15]), 403.5e6 + c.offset_hz, 2500.0);
        EXPECT_LT(std::stod(row.cells[16]), 0.0);
    }
    EXPECT_GE(good, c.least_good) << r.out << r.err;
    EXPECT_LE(good, c.frames);
}

INSTANTIATE_TEST_SUITE_P(Sonderx, IqCaptures, ::testing::ValuesIn(kKinds),
                         [](const auto& i) { return std::string(i.param.name); });

// The same capture given as a two-channel WAV and with the channel given
// (--offset): the same frames, and JSON lines that carry the carrier.
TEST(IqCaptures, WavAndGivenChannelAgreeAndJsonCarriesTheCarrier) {
    TempDir dir;
    const std::string capture = iq_capture_of(
        dir, "pelkin", 6, {"--ebn0", "20", "--seed", "3", "--offset", "15000", "--iq-out", "wav", "--iq-rate", "96k"});
    ASSERT_FALSE(capture.empty());
    const ProcessResult found = run_program(SONDERX_EXE, {"--iq", "wav", "--json", capture});
    const ProcessResult given = run_program(SONDERX_EXE, {"--iq", "wav", "--offset", "+15k", "--json", capture});
    ASSERT_EQ(found.status, 0) << found.err;
    ASSERT_EQ(given.status, 0) << given.err;
    EXPECT_NE(given.out.find("\"offset_hz\":"), std::string::npos) << given.out;
    EXPECT_NE(given.out.find("\"level_dbfs\":"), std::string::npos);
    EXPECT_EQ(given.out.find("\"freq_hz\":"), std::string::npos);  // no centre given
    // A channel given from the start misses no frame; the search may miss the first.
    const auto lines = [](const std::string& t) { return std::count(t.begin(), t.end(), '\n'); };
    EXPECT_EQ(lines(given.out), 6) << given.out;
    EXPECT_GE(lines(found.out), 5) << found.out;
}

struct QuietCase {
    const char* name;
    iqtest::Capture capture;
    const char* format;
};

void PrintTo(const QuietCase& c, std::ostream* os) { *os << c.name; }

iqtest::Capture steady_carrier() {
    iqtest::Capture c;
    c.carriers.push_back({40000.0, 0.3, nullptr});
    c.noise_rms = 0.05;
    c.seed = 11;
    return c;
}

iqtest::Capture noise_with_dc() {
    iqtest::Capture c;
    c.noise_rms = 0.1;
    c.dc_re = 0.05;
    c.dc_im = -0.03;
    c.seed = 12;
    return c;
}

// As an SDR delivers it: u8 offset binary, or f32 as it is.
std::string encode(const std::vector<float>& x, const char* format) {
    std::string out;
    if (std::strcmp(format, "u8") == 0) {
        for (float v : x)
            out.push_back(static_cast<char>(std::lround(std::fmin(255.0, std::fmax(0.0, 127.5 + 127.5 * v)))));
    } else {
        out.resize(4 * x.size());
        std::memcpy(out.data(), x.data(), out.size());
    }
    return out;
}

class NoSonde : public ::testing::TestWithParam<QuietCase> {};

TEST_P(NoSonde, OpensNoChannelAndGivesNoFrame) {
    const QuietCase& c = GetParam();
    const std::vector<float> x = iqtest::make_capture(c.capture, 3 * 250000);
    const ProcessResult r =
        run_sonderx({"--iq", c.format, "--rate", "250k", "--all", "--csv"}, encode(x, c.format), true);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(csv_rows(r.out).size(), 0u) << r.out;
    EXPECT_NE(r.err.find("0 carriers heard"), std::string::npos) << r.err;
}

const QuietCase kQuiet[] = {
    {"SteadyCarrierF32", steady_carrier(), "f32le"},
    {"SteadyCarrierU8", steady_carrier(), "u8"},
    {"NoiseWithDcSpikeU8", noise_with_dc(), "u8"},
};

INSTANTIATE_TEST_SUITE_P(Sonderx, NoSonde, ::testing::ValuesIn(kQuiet),
                         [](const auto& i) { return std::string(i.param.name); });

// Channels forced on a strong carrier and on its I/Q image: both decode,
// each frame is reported once, from the strong one.
TEST(IqCaptures, AnImageChannelReportsNoFrameTwice) {
    TempDir dir;
    const std::string capture = iq_capture_of(
        dir, "vardo", 8,
        {"--ebn0", "40", "--seed", "7", "--offset", "60000", "--iq-imbalance", "0.5,3", "--iq-out", "u8"});
    ASSERT_FALSE(capture.empty());
    const ProcessResult r = run_program(
        SONDERX_EXE, {"--iq", "u8", "--rate", "250k", "--offset", "60k", "--offset", "-60k", "--csv", capture});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<Row> rows = csv_rows(r.out);
    EXPECT_EQ(rows.size(), 8u) << r.out;
    for (const Row& row : rows) EXPECT_NEAR(std::stod(row.cells[14]), 60000.0, 1000.0) << r.out;
    EXPECT_NE(r.err.find("8 frames taken for images or duplicates"), std::string::npos) << r.err;
}

}  // namespace
