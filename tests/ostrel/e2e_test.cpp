// Runs the built ostrel on recordings made from known packets and compares
// every output byte with lines formatted here from the same field values.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "ostrel_synth.h"
#include "support/run_program.h"
#include "synth/signals.h"
#include "synth/wav_writer.h"
#include "support/strprintf.h"

namespace {

const std::string kExe = OSTREL_EXE;

struct Sent {
    OstrelGps gps;
    bool is_gps = true;
    bool bad_crc = false;
    std::vector<uint8_t> bytes;  // the whole transmission
};

Sent gps_packet(float lat, float lon, uint16_t alt_raw, int h, int m, int s, bool bad_crc = false, uint32_t seed = 0) {
    Sent p;
    p.gps.lat = lat;
    p.gps.lon = lon;
    p.gps.alt_raw = alt_raw;
    p.gps.hour = static_cast<uint8_t>(h);
    p.gps.minute = static_cast<uint8_t>(m);
    p.gps.second = static_cast<uint8_t>(s);
    p.bad_crc = bad_crc;
    auto bytes = ostrel_gps_packet(p.gps);
    if (bad_crc) bytes[17] ^= 0x40;
    p.bytes = ostrel_transmission(std::vector<uint8_t>(bytes.begin(), bytes.end()), seed);
    return p;
}

Sent other_packet(uint8_t type, uint32_t seed = 7) {
    Sent p;
    p.is_gps = false;
    p.bytes = ostrel_transmission({0x01, type, 0x10, 0x20}, seed);
    return p;
}

std::vector<Sent> flight(int count) {
    std::vector<Sent> v;
    for (int i = 0; i < count; i++)
        v.push_back(gps_packet(52.5f + 0.001f * i, -13.25f - 0.002f * i, static_cast<uint16_t>(5000 + 1234 + 7 * i), 23,
                               59, 57 + i % 3, false, static_cast<uint32_t>(i)));
    return v;
}

enum Form { kText, kCsv, kRaw, kRawCsv, kRawbits };

std::string expected_lines(const Sent& p, Form form) {
    const std::vector<uint8_t>& b = p.bytes;
    std::string out;
    if (form == kRawbits) {
        for (int g = 0; g < 40; g++) {
            out += "0 ";
            for (int i = 0; i < 8; i++) out += ((b[g] >> i) & 1) ? '1' : '0';
            out += " 1";
        }
        return out + "\n";
    }
    if (form == kRaw || form == kRawCsv) {
        for (int i = 0; i < 100; i++) out += strprintf("%02X ", b[i]);
        out += "\n";
    }
    if (!p.is_gps) return out;
    const unsigned stored = b[16] * 256u + b[17];
    const unsigned computed = ostrel_synth_crc16(b.data(), 16);
    const bool ok = !p.bad_crc;
    const OstrelGps& g = p.gps;
    const int alt = static_cast<int>(g.alt_raw) - 5000;
    if (form == kCsv || form == kRawCsv)
        out += strprintf("000,iMet,0000-00-00,%02d:%02d:%02d,%.6f,%.6f,%d,0,0,0,%s\n", g.hour, g.minute, g.second,
                         static_cast<double>(g.lat), static_cast<double>(g.lon), alt, ok ? "OK" : "NO");
    else
        out += strprintf("(%02d:%02d:%02d)  lat: %.6f\xb0  lon: %.6f\xb0  alt: %dm  #  CRC: %04X - %04X [%s]\n", g.hour,
                         g.minute, g.second, static_cast<double>(g.lat), static_cast<double>(g.lon), alt, stored,
                         computed, ok ? "OK" : "NO");
    return out;
}

std::string expected_output(const std::vector<Sent>& packets, Form form) {
    std::string out;
    for (const Sent& p : packets) out += expected_lines(p, form);
    return out + "\n";
}

std::vector<double> signal_of(const std::vector<Sent>& packets, int rate) {
    OstrelRecordingSpec wav_spec;
    wav_spec.sample_rate = rate;
    std::vector<std::vector<uint8_t>> tx;
    for (const Sent& p : packets) tx.push_back(p.bytes);
    return ostrel_recording(wav_spec, tx);
}

std::string recording(const std::vector<Sent>& packets, WavSpec wav) {
    return wav_file(wav, signal_of(packets, wav.sample_rate));
}

WavSpec at(int rate, int bits = 16) {
    WavSpec w;
    w.sample_rate = rate;
    w.bits = bits;
    return w;
}

std::string info(int rate, int bits = 16, int channels = 1) {
    return strprintf("sample_rate: %d\nbits       : %d\nchannels   : %d\n", rate, bits, channels);
}

const char* kLowRateWarning = "warning: below 44100 Hz the tone window spans too many bits; packets will not decode\n";

ProcessResult run_file(const std::string& wav, const std::vector<std::string>& opts) {
    TempDir dir;
    const std::string path = dir.file("in.wav");
    EXPECT_TRUE(write_file(path, wav));
    std::vector<std::string> args = opts;
    args.push_back(path);
    return run_program(kExe, args);
}

const char* method_flag(int m) { return m == 1 ? "-d1" : m == 2 ? "-d2" : ""; }

std::vector<std::string> with_method(int m, std::vector<std::string> opts = {}) {
    if (m) opts.insert(opts.begin(), method_flag(m));
    return opts;
}

}  // namespace

class EveryMethodAndRate : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(EveryMethodAndRate, GpsPacketsDecodeToExactLines) {
    const auto [rate, method] = GetParam();
    // The direct DFT is slow: keep its recordings short.
    const auto packets = flight(method == 1 ? 2 : 3);
    const ProcessResult r = run_file(recording(packets, at(rate)), with_method(method));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, info(rate) + (rate < 44100 ? kLowRateWarning : ""));
    EXPECT_EQ(r.out, expected_output(packets, kText));
}

INSTANTIATE_TEST_SUITE_P(Rates, EveryMethodAndRate,
                         ::testing::Combine(::testing::Values(48000, 44100), ::testing::Values(0, 1, 2)));

class OutputForms : public ::testing::TestWithParam<std::tuple<int, int, int>> {};

TEST_P(OutputForms, EveryFormIsByteExact) {
    const auto [rate, method, form_index] = GetParam();
    const Form form = static_cast<Form>(form_index);
    std::vector<std::string> opts;
    if (form == kCsv) opts = {"--csv"};
    if (form == kRaw) opts = {"-r"};
    if (form == kRawCsv) opts = {"--raw", "--csv"};
    if (form == kRawbits) opts = {"--rawbits"};
    std::vector<Sent> packets = flight(1);
    packets.push_back(gps_packet(-33.9f, 151.2f, 5100, 1, 2, 3, true, 9));
    if (method != 1) packets.push_back(other_packet(0x05));
    const ProcessResult r = run_file(recording(packets, at(rate)), with_method(method, opts));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected_output(packets, form));
}

INSTANTIATE_TEST_SUITE_P(Forms, OutputForms,
                         ::testing::Combine(::testing::Values(48000, 44100), ::testing::Values(0, 1, 2),
                                            ::testing::Values(kText, kCsv, kRaw, kRawCsv, kRawbits)));

TEST(Packets, BadCrcAndNonGpsPackets) {
    const std::vector<Sent> packets = {gps_packet(10.5f, 20.25f, 6000, 8, 30, 0),
                                       gps_packet(10.5f, 20.25f, 6000, 8, 30, 1, true), other_packet(0x03),
                                       other_packet(0x04, 3), gps_packet(10.5f, 20.25f, 6000, 8, 30, 2)};
    const std::string wav = recording(packets, at(48000));
    const ProcessResult text = run_file(wav, {});
    EXPECT_EQ(text.out, expected_output(packets, kText));
    EXPECT_NE(text.out.find("[NO]"), std::string::npos);
    const ProcessResult raw = run_file(wav, {"-r"});
    EXPECT_EQ(raw.out, expected_output(packets, kRaw));
}

TEST(Packets, AltitudeEdges) {
    const std::vector<Sent> packets = {gps_packet(0.0f, 0.0f, 0, 0, 0, 0), gps_packet(-90.0f, 180.0f, 5000, 1, 1, 1),
                                       gps_packet(89.999f, -179.999f, 0xFFFF, 2, 2, 2)};
    const ProcessResult r = run_file(recording(packets, at(44100)), {});
    EXPECT_EQ(r.out, expected_output(packets, kText));
    EXPECT_NE(r.out.find("alt: -5000m"), std::string::npos);
    EXPECT_NE(r.out.find("alt: 0m"), std::string::npos);
    EXPECT_NE(r.out.find("alt: 60535m"), std::string::npos);
}

TEST(Input, StandardInputMatchesFile) {
    const auto packets = flight(3);
    const std::string wav = recording(packets, at(48000));
    const ProcessResult file = run_file(wav, {"--csv"});
    const ProcessResult in = run_program(kExe, {"--csv"}, wav);
    EXPECT_EQ(in.status, 0);
    EXPECT_EQ(in.out, file.out);
    EXPECT_EQ(in.err, file.err);
    EXPECT_EQ(in.out, expected_output(packets, kCsv));
}

TEST(Input, EightBitStereoAndInvertedSignal) {
    const auto packets = flight(2);
    WavSpec w = at(48000, 8);
    EXPECT_EQ(run_file(recording(packets, w), {}).out, expected_output(packets, kText));
    w.channels = 2;
    std::vector<double> noise(400000, 0.0);
    add_noise_sigma(noise, 0.3, 4);
    const ProcessResult st = run_file(wav_file(w, signal_of(packets, 48000), noise), {});
    EXPECT_EQ(st.err, info(48000, 8, 2));
    EXPECT_EQ(st.out, expected_output(packets, kText));
    std::vector<double> inverted = signal_of(packets, 44100);
    for (double& x : inverted) x = -x;
    EXPECT_EQ(run_file(wav_file(at(44100), inverted), {"-d2"}).out, expected_output(packets, kText));
}

TEST(Input, HeaderShapes) {
    const auto packets = flight(2);
    for (WavHeaderStyle style :
         {WavHeaderStyle::list_chunk, WavHeaderStyle::fmt18, WavHeaderStyle::sizes_zero, WavHeaderStyle::sizes_max}) {
        WavSpec w = at(48000);
        w.style = style;
        const ProcessResult r = run_program(kExe, {}, recording(packets, w));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, expected_output(packets, kText)) << static_cast<int>(style);
    }
}

TEST(Input, ModerateNoise) {
    const auto packets = flight(6);
    std::string good;
    for (const Sent& p : packets) good += expected_lines(p, kText);
    for (uint64_t seed : {1u, 2u, 3u}) {
        for (int rate : {48000, 44100}) {
            std::vector<double> x = signal_of(packets, rate);
            add_noise(x, 6.0, seed);
            const ProcessResult r = run_program(kExe, {rate == 48000 ? "-v" : "-d2"}, wav_file(at(rate), x));
            int ok = 0;
            std::size_t pos = 0, nl;
            while ((nl = r.out.find('\n', pos)) != std::string::npos) {
                const std::string line = r.out.substr(pos, nl - pos + 1);
                pos = nl + 1;
                if (line.find("[OK]") == std::string::npos) continue;
                ok++;
                EXPECT_NE(good.find(line), std::string::npos) << "wrong OK line: " << line;
            }
            EXPECT_GE(ok, 5) << "seed " << seed << " rate " << rate;
        }
    }
}

TEST(Input, FrameCutByTheEndOfDataIsDropped) {
    const auto packets = flight(1);
    std::vector<double> x = signal_of(packets, 48000);
    x.resize(x.size() / 2);
    const ProcessResult r = run_file(wav_file(at(48000), x), {"-r"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\n");
}

TEST(Input, FewerSamplesThanAWindow) {
    const ProcessResult r = run_program(kExe, {}, wav_file(at(48000), std::vector<double>(128, 0.25)));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\n");
}

class LowRates : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(LowRates, NothingDecodesAndTheProgramWarns) {
    const auto [rate, method] = GetParam();
    const auto packets = flight(2);
    const ProcessResult r = run_file(recording(packets, at(rate)), with_method(method, {"-r"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, info(rate) + kLowRateWarning);
    EXPECT_EQ(r.out, "\n");
}

INSTANTIATE_TEST_SUITE_P(Rates, LowRates,
                         ::testing::Combine(::testing::Values(22050, 8000), ::testing::Values(0, 1, 2)));

TEST(LowRates, RatesBeyondTheTwoBinTableAreRefused) {
    for (int rate : {2174, 1200, 100, 1}) {
        const ProcessResult r = run_program(kExe, {}, recording(flight(1), at(rate)));
        EXPECT_EQ(r.status, 255) << rate;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err,
                  info(rate) + strprintf("error: sample rate %d Hz is too low for the two-bin tone detector (at least "
                                         "2175 Hz)\n",
                                         rate));
    }
    const ProcessResult fits = run_program(kExe, {}, recording(flight(1), at(2175)));
    EXPECT_EQ(fits.status, 0);
    EXPECT_EQ(fits.out, "\n");
}

TEST(LowRates, OtherMethodsRunToTheEndAtAnyRate) {
    for (int rate : {2000, 1000, 1}) {
        for (const char* m : {"-d1", "-d2"}) {
            const ProcessResult r = run_program(kExe, {m}, recording(flight(1), at(rate)));
            EXPECT_EQ(r.status, 0) << rate << m;
            EXPECT_EQ(r.out, "\n") << rate << m;
        }
    }
}

TEST(FalsePositives, SilenceNoiseAndOtherSignalsGiveNoLine) {
    std::vector<double> silence(96000, 0.0);
    std::vector<double> noise(96000, 0.0);
    add_noise_sigma(noise, 0.2, 9);
    std::vector<double> base9600, base4800, afsk;
    std::string bits;
    uint32_t x = 99;
    for (int i = 0; i < 8000; i++) {
        x = x * 1103515245u + 12345u;
        bits.push_back((x >> 16) & 1 ? '1' : '0');
    }
    BasebandGen b1{48000.0, 9600.0, 0.5};
    baseband_bits(b1, base9600, bits);
    BasebandGen b2{48000.0, 4800.0, 0.5};
    baseband_bits(b2, base4800, bits);
    AfskGen a;
    afsk_bits(a, afsk, std::string_view(bits).substr(0, 3000));
    for (const auto* sig : {&silence, &noise, &base9600, &base4800, &afsk}) {
        for (const char* m : {"-d2", "--csv"}) {
            const ProcessResult r = run_program(kExe, {m, "-r"}, wav_file(at(48000), *sig));
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(r.out, "\n");
        }
    }
}

TEST(CommandLine, HelpPrintsUsageAndReadsNothing) {
    const std::string usage = kExe + " [options] audio.wav\n  options:\n       -v, --verbose\n       -r, --raw\n" +
                              // Lines for the accepted options that the lines above do not name.
                              "       --csv\n       --rawbits\n       -d1, --dft1\n       -d2, --dft2\n       --json\n"
                              "       --robust  weak-signal receive path, 8000 Hz and up (-d1, -d2 have no effect)\n"
                              "       --version\n       -h, --help\n";
    for (const auto& args : std::vector<std::vector<std::string>>{{"-h"}, {"--help"}, {"--csv", "-d1", "-h"}}) {
        const ProcessResult r = run_program(kExe, args, "not a wav file");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, usage);
    }
}

TEST(CommandLine, ArgumentsAfterTheFileNameAreIgnored) {
    const auto packets = flight(1);
    TempDir dir;
    const std::string path = dir.file("a.wav");
    ASSERT_TRUE(write_file(path, recording(packets, at(48000))));
    const ProcessResult r = run_program(kExe, {"-v", path, "--csv", "-h"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected_output(packets, kText));
}

TEST(CommandLine, UnknownOptionIsAMissingFile) {
    TempDir dir;
    const ProcessResult r = run_program(kExe, {"--nope"}, "", dir.path);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "--nope konnte nicht geoeffnet werden\n");
}

TEST(CommandLine, RefusedHeader) {
    const ProcessResult garbage = run_program(kExe, {}, "RIFX0000WAVEfmt ");
    EXPECT_EQ(garbage.status, 255);
    EXPECT_EQ(garbage.out, "");
    WavSpec w = at(48000);
    std::string wav = recording(flight(1), w);
    wav[34] = 12;  // 12 bits per sample
    const ProcessResult bits12 = run_program(kExe, {}, wav);
    EXPECT_EQ(bits12.status, 255);
    EXPECT_EQ(bits12.out, "");
    EXPECT_EQ(bits12.err, info(48000, 12));
}
