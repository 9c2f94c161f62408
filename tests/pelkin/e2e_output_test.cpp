// Every output form of pelkin, byte for byte, on clean 48 kHz recordings.
#include <gtest/gtest.h>

#include "pelkin_e2e.h"

namespace {
const char kInfo48k[] = "sample_rate: 48000\nbits       : 16\nchannels   : 1\nsamples/bit: 10.00\n";

std::string aa_groups(int n) {
    std::string s;
    for (int i = 0; i < n; i++) s += pelkin_group(0xAA);
    return s;
}

PelkinFrameBytes with_bad_crc(PelkinFrameBytes b) {
    b[48] ^= 0x01;
    return b;
}
}  // namespace

TEST(PelkinOutput, WorkedExampleLinesEndToEnd) {
    Sent s = send_frames(1);
    std::string wav = wav_of(s.rec.signal);
    ProcessResult r = run_pelkin_file({}, wav);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, kInfo48k);
    EXPECT_EQ(r.out,
              " 06-12-26 12:34:56.789  lat: 48.123456\xc2\xb0  lon: 11.654321\xc2\xb0  alt: 1234.56m   vH: 5.0m/s  "
              "D: 36.9\xc2\xb0  vV: -2.5m/s  # CRC [OK]\n\n");
    EXPECT_EQ(run_pelkin_file({"-v"}, wav).out,
              " 06-12-26 12:34:56.789  lat: 48.123456\xc2\xb0  lon: 11.654321\xc2\xb0  alt: 1234.56m   vH: 5.0m/s  "
              "D: 36.9\xc2\xb0  vV: -2.5m/s  sats: 7  fix: 3   # CRC [OK]\n\n");
    EXPECT_EQ(run_pelkin_file({"--csv"}, wav).out,
              "    0,0,2026-12-06,12:34:56.789,48.12346,11.65432,1234.56,5.0,36.9,-2.5,OK\n\n");
}

TEST(PelkinOutput, TextLinesForEveryFrame) {
    PelkinFields f;
    f.lat_e6 = -33856789;
    f.lon_e6 = 151215432;
    f.alt_cm = 2543217;
    f.vel_east = -1234;
    f.vel_north = -50;
    f.vel_up = 512;
    f.date = 10227;
    f.time = 235958500;
    Sent s = send_frames(3, f);
    ProcessResult r = run_pelkin_file({}, wav_of(s.rec.signal));
    EXPECT_EQ(r.out, expected_output(s, Out::text));
}

TEST(PelkinOutput, VerboseLines) {
    PelkinFields f;
    f.sats = 11;
    f.fix = 2;
    Sent s = send_frames(2, f);
    EXPECT_EQ(run_pelkin_file({"--verbose"}, wav_of(s.rec.signal)).out, expected_output(s, Out::verbose));
}

TEST(PelkinOutput, CsvLines) {
    Sent s = send_frames(3, PelkinFields{}, 1);
    EXPECT_EQ(run_pelkin_file({"--csv"}, wav_of(s.rec.signal)).out, expected_output(s, Out::csv));
}

TEST(PelkinOutput, HexLines) {
    Sent s = send_frames(3, PelkinFields{}, 2);
    std::string wav = wav_of(s.rec.signal);
    EXPECT_EQ(run_pelkin_file({"-r"}, wav).out, expected_output(s, Out::hex));
    EXPECT_EQ(run_pelkin_file({"--raw"}, wav).out, expected_output(s, Out::hex));
    EXPECT_EQ(run_pelkin_file({"-R", "-r"}, wav).out, expected_output(s, Out::hex));
}

TEST(PelkinOutput, BitDumpShowsTheBitsAsCollected) {
    Sent s = send_frames(2, PelkinFields{}, 3);
    EXPECT_EQ(run_pelkin_file({"-R"}, wav_of(s.rec.signal)).out, expected_output(s, Out::dump));
}

TEST(PelkinOutput, ExtraPreambleGroupsAfterTheSyncWord) {
    for (int extra = 0; extra <= 3; extra++) {
        Sent s = send_frames(2, PelkinFields{}, extra);
        EXPECT_EQ(run_pelkin_file({}, wav_of(s.rec.signal)).out, expected_output(s, Out::text)) << extra;
    }
}

TEST(PelkinOutput, BadCrcFramesAndTheGoodOption) {
    PelkinFrameBytes good = pelkin_frame_bytes(PelkinFields{});
    PelkinFrameBytes bad = with_bad_crc(pelkin_frame_bytes(fields_at(PelkinFields{}, 1)));
    Sent s = send_air({pelkin_air_bits(good, 0), pelkin_air_bits(bad, 0)});
    std::string wav = wav_of(s.rec.signal);
    ExpectBytes g = expect_bytes(good), b = expect_bytes(bad);
    EXPECT_EQ(run_pelkin_file({}, wav).out, expect_text(g, true) + expect_text(b, false) + "\n");
    EXPECT_EQ(run_pelkin_file({"-g"}, wav).out, expect_text(g, true) + "\n");
    EXPECT_EQ(run_pelkin_file({"--good", "--csv"}, wav).out, expect_csv(g, true) + expect_csv(b, false) + "\n");
    EXPECT_EQ(run_pelkin_file({"-r"}, wav).out, expect_hex(g) + expect_hex(b) + "\n");
    EXPECT_EQ(run_pelkin_file({"-g", "-r"}, wav).out, expect_hex(g) + "\n");
    EXPECT_EQ(run_pelkin_file({"-g", "-R"}, wav).out, expect_dump(expect_frame_bits(s.air[0])) + "\n");
}

TEST(PelkinOutput, ZeroLatitudePlusLongitudeGivesNoReport) {
    PelkinFields f;
    f.lat_e6 = 0;
    f.lon_e6 = 0;
    Sent s = send_frames(2, f);
    std::string wav = wav_of(s.rec.signal);
    EXPECT_EQ(run_pelkin_file({}, wav).out, "\n");
    EXPECT_EQ(run_pelkin_file({"--csv"}, wav).out, "\n");
    EXPECT_EQ(run_pelkin_file({"-r"}, wav).out, expected_output(s, Out::hex));
}

// 50 groups of 0xAA fill a whole capture: no frame, and the one before is
// not repeated. The sync search then finds the next two 0xAA groups and the
// frame behind them decodes.
TEST(PelkinOutput, LongPreambleOfAAGroups) {
    PelkinFrameBytes b1 = pelkin_frame_bytes(PelkinFields{});
    PelkinFrameBytes b2 = pelkin_frame_bytes(fields_at(PelkinFields{}, 1));
    std::string air1 = pelkin_air_bits(b1, 0);
    std::string air2 = std::string(kPelkinSync) + aa_groups(50) + pelkin_air_bits(b2, 1);
    Sent s = send_air({air1, air2});
    std::string wav = wav_of(s.rec.signal);
    ExpectBytes e1 = expect_bytes(b1), e2 = expect_bytes(b2);
    EXPECT_EQ(run_pelkin_file({}, wav).out, expect_text(e1, true) + expect_text(e2, true) + "\n");
    EXPECT_EQ(run_pelkin_file({"--csv"}, wav).out, expect_csv(e1, true) + expect_csv(e2, true) + "\n");
    EXPECT_EQ(run_pelkin_file({"-r"}, wav).out, expect_hex(e1) + expect_hex(e2) + "\n");
    const std::string dumps = expect_dump(expect_frame_bits(air1)) + expect_dump(air2.substr(20, 500)) +
                              expect_dump(air2.substr(20 + 500 + 10, 500)) + "\n";
    EXPECT_EQ(run_pelkin_file({"-R"}, wav).out, dumps);
}
