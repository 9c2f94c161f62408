// Whole flights: type changes, the jump filter, positions around the
// globe, frame saving, the integrate-and-dump capture modes, noise, and
// signals that are no vardo frames at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "synth/signals.h"
#include "vardo_e2e_support.h"

namespace {

const OutputForm kVerbose{1, false, false};

std::vector<VardoFrameFields> concat(std::vector<VardoFrameFields> a, const std::vector<VardoFrameFields>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<VardoFrameFields> at_positions(int type, const std::vector<std::pair<double, double>>& pos) {
    auto frames = flight(type, static_cast<int>(pos.size()));
    for (std::size_t k = 0; k < pos.size(); k++) {
        frames[k].lat = vardo_lat_counts(type, pos[k].first);
        frames[k].lon = vardo_lat_counts(type, pos[k].second);
    }
    return frames;
}

std::string lines_of(const std::vector<Expected>& list, const OutputForm& form) {
    std::string s;
    for (const Expected& e : list) s += expect_report(e, form);
    return s + "\n";
}

}  // namespace

TEST(Flight, TypeChangesFollowTheCaptureLengthOfThePreviousFrame) {
    const auto t1 = flight(1, 3, false, 10);
    const auto t68 = flight(2, 3, false, 20);
    const auto t70 = flight(2, 3, true, 30);
    const auto t1b = flight(1, 2, false, 40);
    const auto all = concat(concat(concat(t1, t68), t70), t1b);
    const std::string wav = recording(all);

    // 101 -> 68 costs nothing; 68 -> 70 is captured two bytes short and its
    // check is looked for two bytes late; 70 -> 101 is cut short: its
    // serial number and counter lie past the 90 captured bytes (read as 0).
    VardoFrameFields cut = t1b[0];
    for (uint8_t& b : cut.sn) b = 0;
    cut.frame_counter = 0;
    const std::vector<Expected> want = {{first_capture(t1[0]), false},
                                        {t1[1], true},
                                        {t1[2], true},
                                        {t68[0], true},
                                        {t68[1], true},
                                        {t68[2], true},
                                        {t70[0], false},
                                        {t70[1], true},
                                        {t70[2], true},
                                        {cut, false},
                                        {t1b[1], true}};
    EXPECT_EQ(run_vardo({"-v"}, wav).out, lines_of(want, kVerbose));

    // In hexadecimal the first 70-byte frame shows two more bytes (filler)
    // and its check field there.
    auto lines = split_lines(run_vardo({"-r", "-v"}, wav).out);
    ASSERT_EQ(lines.size(), 12u);  // and the final empty line
    EXPECT_EQ(lines[6] + "\n", expect_hex(vardo_frame_bytes(t70[0]), 2, 2, false, kVerbose));
    EXPECT_EQ(lines[7] + "\n", expect_hex(vardo_frame_bytes(t70[1]), 2, 0, true, kVerbose));
    EXPECT_EQ(lines[3] + "\n", expect_hex(vardo_frame_bytes(t68[0]), 2, 0, true, kVerbose));
}

TEST(Flight, JumpFilterMarksFarPositionsBad) {
    const auto frames = at_positions(1, {{50.0, 10.0},
                                         {50.0, 10.0},
                                         {52.9, 10.0},
                                         {56.2, 10.0},
                                         {53.5, 10.0},
                                         {52.95, 10.0},
                                         {52.9, 7.5},
                                         {52.9, 12.5}});
    // 52.9 is followed; 56.2 jumps from it; the next is compared with the
    // last good one (52.9): 53.5 is no jump. Longitude jumps count too.
    const std::vector<Expected> want = {{first_capture(frames[0]), false},
                                        {frames[1], true},
                                        {frames[2], true},
                                        {frames[3], false},
                                        {frames[4], true},
                                        {frames[5], true},
                                        {frames[6], true},
                                        {frames[7], false}};
    const std::string wav = recording(frames);
    EXPECT_EQ(run_vardo({"-v"}, wav).out, lines_of(want, kVerbose));
    EXPECT_EQ(run_vardo({"--csv"}, wav).out, lines_of(want, {0, false, true}));
    std::vector<Expected> good;
    for (const Expected& e : want)
        if (e.ok) good.push_back(e);
    EXPECT_EQ(run_vardo({"-g", "-v"}, wav).out, lines_of(good, kVerbose));
}

TEST(Flight, AllFourQuadrants) {
    const std::pair<double, double> corners[] = {{48.1, 11.5}, {51.4, -0.7}, {-33.9, 18.4}, {-34.6, -58.4}};
    for (int type : {1, 2}) {
        for (const auto& c : corners) {
            auto frames = at_positions(type, {c, c, {c.first + 0.01, c.second - 0.01}});
            ProcessResult r = run_vardo({"-v"}, recording(frames));
            EXPECT_EQ(r.out, expect_run(frames, kVerbose)) << type << " " << c.first << " " << c.second;
        }
    }
}

TEST(Flight, CrossingThePrimeMeridianAndTheEquator) {
    for (int type : {1, 2}) {
        auto frames = at_positions(
            type, {{0.3, 0.3}, {0.2, 0.2}, {0.1, 0.1}, {0.0, 0.0}, {-0.1, -0.1}, {-0.2, -0.2}, {-0.7, -0.7}});
        ProcessResult r = run_vardo({"-v"}, recording(frames));
        EXPECT_EQ(r.out, expect_run(frames, kVerbose)) << type;
        EXPECT_EQ(r.out.find("NO", r.out.find('\n')), std::string::npos);
    }
}

TEST(Flight, FramesAreSavedOnlyWithTheOption) {
    const auto frames = flight(1, 13);
    const std::string wav = recording(frames);
    {
        TempDir dir;
        write_file(dir.file("in.wav"), wav);
        ProcessResult r = run_program(VARDO_EXE, {"-b", "-v", dir.file("in.wav")}, "", dir.path);
        EXPECT_EQ(r.out, expect_run(frames, kVerbose));
        // Ten good frames (the first capture is bad), the eleventh and later not.
        std::string want;
        for (int k = 1; k <= 10; k++) {
            auto b = vardo_frame_bytes(frames[static_cast<std::size_t>(k)]);
            want.append(b.begin(), b.end());
        }
        EXPECT_EQ(read_file(dir.file("312-A-10837.bin")), want);
        // A second run appends.
        run_program(VARDO_EXE, {"--save", dir.file("in.wav")}, "", dir.path);
        EXPECT_EQ(read_file(dir.file("312-A-10837.bin")), want + want);
    }
    {
        TempDir dir;
        write_file(dir.file("in.wav"), wav);
        ProcessResult r = run_program(VARDO_EXE, {"-v", dir.file("in.wav")}, "", dir.path);
        EXPECT_EQ(r.out, expect_run(frames, kVerbose));
        EXPECT_FALSE(file_exists(dir.file("312-A-10837.bin")));
    }
}

TEST(Flight, SavedFileNameKeepsElevenCharactersOfTheId) {
    auto frames = flight(2, 3, true);
    for (auto& f : frames) {
        f.sn[0] = 0x7F;
        f.sn[1] = 0xFF;
        f.sn[2] = 0xFF;
    }
    TempDir dir;
    write_file(dir.file("in.wav"), recording(frames));
    ProcessResult r = run_program(VARDO_EXE, {"-b", "-c", dir.file("in.wav")}, "", dir.path);
    EXPECT_NE(r.out.find("1008-3-18191"), std::string::npos);
    auto b1 = vardo_frame_bytes(frames[1]), b2 = vardo_frame_bytes(frames[2]);
    std::string want(b1.begin(), b1.end());
    want.append(b2.begin(), b2.end());
    EXPECT_EQ(read_file(dir.file("1008-3-1819.bin")), want);
}

TEST(Flight, BadFramesAreNotSaved) {
    const auto frames = at_positions(1, {{50.0, 10.0}, {50.0, 10.0}, {55.0, 10.0}, {50.1, 10.0}});
    TempDir dir;
    write_file(dir.file("in.wav"), recording(frames));
    run_program(VARDO_EXE, {"-b", dir.file("in.wav")}, "", dir.path);
    auto b1 = vardo_frame_bytes(frames[1]), b3 = vardo_frame_bytes(frames[3]);
    std::string want(b1.begin(), b1.end());
    want.append(b3.begin(), b3.end());
    EXPECT_EQ(read_file(dir.file("312-A-10837.bin")), want);
}

TEST(Flight, IntegrateAndDumpModesDecodeLikeTheSlicer) {
    const auto frames = concat(flight(1, 3), flight(2, 3));
    for (int rate : {44100, 48000, 96000}) {
        RecordingShape shape;
        shape.wav.sample_rate = rate;
        const std::string wav = recording(frames, shape);
        const std::string want = run_vardo({"-v"}, wav).out;
        EXPECT_EQ(run_vardo({"-b2", "-v"}, wav).out, want) << rate;
        EXPECT_EQ(run_vardo({"-b1", "-v"}, wav).out, want) << rate;
        RecordingShape inv = shape;
        inv.invert = true;
        EXPECT_EQ(run_vardo({"-b2", "-v"}, recording(frames, inv)).out, want) << rate;
    }
}

TEST(Flight, SymbolModeRawbitsHoldOnlyTheSlicerBits) {
    const auto frames = flight(1, 2);
    auto lines = split_lines(run_vardo({"-b2", "--rawbits"}, recording(frames)).out);
    ASSERT_EQ(lines.size(), 3u);
    // The sync word's last run carries on into the frame's first channel
    // bit; one more channel bit completes the pair before symbol reading.
    EXPECT_EQ(lines[0], "10");
    EXPECT_EQ(lines[1], "10");
}

TEST(Flight, ModerateNoise) {
    const auto frames = concat(flight(1, 10), flight(2, 1));
    std::set<std::string> good_lines;
    {
        std::vector<Expected> all;
        for (std::size_t k = 1; k < frames.size(); k++) all.push_back({frames[k], true});
        for (const auto& line : split_lines(lines_of(all, kVerbose))) good_lines.insert(line);
    }
    for (uint64_t seed : {1, 2, 3}) {
        RecordingShape shape;
        shape.snr_db = 14.0;
        shape.seed = seed;
        shape.smooth_taps = 2;
        ProcessResult r = run_vardo({"-v"}, recording(frames, shape));
        int ok = 0;
        for (const auto& line : split_lines(r.out)) {
            if (line.size() >= 4 && line.substr(line.size() - 4) == "# OK") {
                EXPECT_TRUE(good_lines.count(line)) << line;
                ok++;
            }
        }
        EXPECT_GE(ok, 8) << "seed " << seed;
    }
}

TEST(Flight, NoFramesFromOtherSignals) {
    const double rate = 48000.0;
    std::vector<double> silence(48000, 0.0);
    std::vector<double> noise(48000, 0.0);
    add_noise_sigma(noise, 0.3, 7);
    std::vector<double> afsk;
    AfskGen a;
    std::string bits;
    uint64_t s = 99;
    for (int i = 0; i < 1200; i++) {
        s = s * 6364136223846793005ull + 1442695040888963407ull;
        bits += (s >> 33) & 1 ? '1' : '0';
    }
    afsk_bits(a, afsk, bits);
    std::vector<double> slow;  // 4800 bit/s groups of another sonde
    BasebandGen g{rate, 4800.0, 0.5};
    std::string groups;
    for (int i = 0; i < 500; i++)
        groups += (i % 10 == 0) ? '0' : (i % 10 == 9 ? '1' : bits[static_cast<std::size_t>(i)]);
    for (int k = 0; k < 8; k++) baseband_bits(g, slow, "00101010110010101011" + groups);
    for (const auto* x : {&silence, &noise, &afsk, &slow}) {
        WavSpec wav_spec;
        for (const char* opt : {"-v", "-r"}) {
            ProcessResult r = run_vardo({opt}, wav_file(wav_spec, *x));
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(r.out.find("OK"), std::string::npos) << r.out;
        }
    }
}

TEST(Flight, LengthByteZeroAndUnknownTypesDoNotUpsetTheDecoder) {
    std::vector<std::vector<uint8_t>> bytes;
    VardoFrameFields f;
    bytes.push_back(vardo_frame_bytes(f));
    bytes.push_back(vardo_frame_bytes(f));
    bytes.push_back(std::vector<uint8_t>(101, 0x00));  // length byte 0
    std::vector<uint8_t> huge(101, 0x5A);
    huge[0] = 0xFF;  // 256 bytes announced
    bytes.push_back(huge);
    bytes.push_back(std::vector<uint8_t>(101, 0x00));
    bytes.push_back(vardo_frame_bytes(f));
    bytes.push_back(vardo_frame_bytes(f));
    const std::string wav = recording_of_bytes(bytes);
    for (const char* opt : {"-v", "-r", "-vv", "--csv", "-c"}) {
        ProcessResult r = run_vardo({opt, "-v"}, wav);
        EXPECT_EQ(r.status, 0) << opt;
    }
    auto lines = split_lines(run_vardo({"-r", "-v"}, wav).out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines[1].find("[OK]"), std::string::npos);
    EXPECT_NE(lines[lines.size() - 2].find("[OK]"), std::string::npos);
}

namespace {

// The second frame's channel bits begin after the lead (480 bits), one
// period (2400 bits), preamble and sync word (96 bits): 5 samples per bit.
constexpr int kSecondFrameStart = (480 + 2400 + 96) * 5;

// A one-sample spike at sample `at` (0..9) of the two-bit run formed by
// channel bits i and i + 1 of the second frame.
std::string with_spike(const std::vector<VardoFrameFields>& frames, int i, int at) {
    std::vector<std::vector<uint8_t>> bytes;
    for (const auto& f : frames) bytes.push_back(vardo_frame_bytes(f));
    VardoTiming t;
    t.period_s = 0.25;
    std::vector<double> x = vardo_signal(bytes, t);
    double& s = x[static_cast<std::size_t>(kSecondFrameStart + 5 * i + at)];
    s = -s;
    return wav_file(WavSpec{}, x);
}

}  // namespace

TEST(Flight, SpikeInTheFirstHalfOfAFrameIsIgnored) {
    // Byte 50 is 0: channel bits 799/800 and 801/802 form two-bit runs.
    const auto frames = flight(1, 3);
    ASSERT_EQ(vardo_frame_bytes(frames[1])[50], 0);
    // Split 4 + 1 + 5: the spike comes when exactly 800 characters are in.
    EXPECT_EQ(run_vardo({"-v"}, with_spike(frames, 799, 4)).out, expect_run(frames, kVerbose));
}

TEST(Flight, SpikeLateInAFrameClosesItEarly) {
    const auto frames = flight(1, 3);
    // Split 8 + 1 + 1: the spike comes after 801 characters, one more than
    // 800, and the rest is padded with '0', which decodes as invalid pairs:
    // bytes from 51 on read as 0.
    VardoFrameFields cut = frames[1];
    for (uint8_t& b : cut.sn) b = 0;
    cut.frame_counter = 0;
    const std::vector<Expected> want = {{first_capture(frames[0]), false}, {cut, false}, {frames[2], true}};
    EXPECT_EQ(run_vardo({"-v"}, with_spike(frames, 799, 8)).out, lines_of(want, kVerbose));
}

TEST(Flight, UnknownTypeLongerThanTheLastLengthByteMovesItsCheck) {
    // After 68-byte frames (length byte 67) a frame announcing 69 with an
    // unknown type byte runs 2 bytes longer: 72 bytes in hexadecimal with
    // its check at bytes 70 and 71.
    const auto t68 = flight(2, 3);
    std::vector<uint8_t> odd = vardo_frame_bytes(t68[2]);
    odd.resize(72, 0x5A);
    odd[0] = 0x45;
    odd[1] = 0x21;
    const uint16_t check = vardo_check(odd.data(), 70);
    odd[70] = static_cast<uint8_t>(check >> 8);
    odd[71] = static_cast<uint8_t>(check & 0xFF);
    std::vector<std::vector<uint8_t>> bytes;
    for (const auto& f : t68) bytes.push_back(vardo_frame_bytes(f));
    bytes.push_back(odd);
    bytes.push_back(vardo_frame_bytes(t68[1]));
    auto lines = split_lines(run_vardo({"-r", "-v"}, recording_of_bytes(bytes)).out);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3] + "\n", expect_hex(odd, 1, 0, true, kVerbose));
    EXPECT_EQ(lines[4] + "\n", expect_hex(vardo_frame_bytes(t68[1]), 2, 0, true, kVerbose));
}

TEST(Flight, SubSampleRunLengthsDecodeTheSame) {
    const auto frames = concat(flight(1, 3), flight(2, 2, true));
    for (int rate : {44100, 48000}) {
        RecordingShape shape;
        shape.wav.sample_rate = rate;
        shape.smooth_taps = 3;
        const std::string wav = recording(frames, shape);
        EXPECT_EQ(run_vardo({"--res", "-v"}, wav).out, run_vardo({"-v"}, wav).out) << rate;
    }
}

TEST(Flight, HexadecimalOutputSavesNothing) {
    const auto frames = flight(1, 3);
    TempDir dir;
    write_file(dir.file("in.wav"), recording(frames));
    run_program(VARDO_EXE, {"-b", "-r", dir.file("in.wav")}, "", dir.path);
    EXPECT_FALSE(file_exists(dir.file("312-A-10837.bin")));
    run_program(VARDO_EXE, {"-b", "-g", "--csv", dir.file("in.wav")}, "", dir.path);
    EXPECT_EQ(read_file(dir.file("312-A-10837.bin")).size(), 2u * 101u);
}

TEST(Flight, GoodOnlyInEveryReportForm) {
    const auto frames = at_positions(2, {{-20.0, -40.0}, {-20.0, -40.0}, {-16.0, -40.0}, {-20.1, -40.1}});
    const std::string wav = recording(frames);
    const std::vector<Expected> good = {{frames[1], true}, {frames[3], true}};
    EXPECT_EQ(run_vardo({"-g", "-c", "-vv"}, wav).out, lines_of(good, {2, true, false}));
    EXPECT_EQ(run_vardo({"-g", "--csv"}, wav).out, lines_of(good, {0, false, true}));
}

namespace {

// The first n bytes of a type-1 frame under an unknown type byte 0x01 and
// length byte b0, with its check at the end: time, position and velocity
// stay where the kept long layout reads them, while serial number and frame
// counter (bytes 93 to 98) lie past the frame's own check.
std::vector<uint8_t> unknown_type_frame(const VardoFrameFields& f, int n, int b0) {
    std::vector<uint8_t> b = vardo_frame_bytes(f);
    b.resize(static_cast<std::size_t>(n));
    b[0] = static_cast<uint8_t>(b0);
    b[1] = 0x01;
    const uint16_t check = vardo_check(b.data(), n - 2);
    b[static_cast<std::size_t>(n) - 2] = static_cast<uint8_t>(check >> 8);
    b[static_cast<std::size_t>(n) - 1] = static_cast<uint8_t>(check & 0xFF);
    return b;
}

// Two type-1 frames, then two unknown-type frames: 41 bytes (auxlen 0
// against the long frame's length byte 100) and one announcing 46 bytes
// after it (auxlen 5: check at 49, 51 bytes in all). The filler after
// every frame is zero, so the bytes past an unknown frame that its kept
// layout reads are zero: serial 000-0-00000, frame counter 0.
struct UnknownTypeRun {
    std::vector<VardoFrameFields> t1 = flight(1, 4);
    std::vector<uint8_t> u41 = unknown_type_frame(t1[2], 41, 40);
    std::vector<uint8_t> u51 = unknown_type_frame(t1[3], 51, 45);
    std::string wav;
    UnknownTypeRun() {
        RecordingShape shape;
        shape.tail_bytes = 100;
        shape.period_s = 0.5;
        wav = recording_of_bytes({vardo_frame_bytes(t1[0]), vardo_frame_bytes(t1[1]), u41, u51}, shape);
    }
    static Expected as_read(VardoFrameFields f) {
        for (uint8_t& b : f.sn) b = 0;
        f.frame_counter = 0;
        return {f, true};
    }
};

}  // namespace

TEST(Flight, UnknownTypeWithAMatchingCheckIsGoodInEveryForm) {
    const UnknownTypeRun run;
    auto hex = split_lines(run_vardo({"-r", "-v"}, run.wav).out);
    ASSERT_EQ(hex.size(), 5u);
    EXPECT_EQ(hex[2] + "\n", expect_hex(run.u41, 1, 0, true, kVerbose));
    EXPECT_EQ(hex[3] + "\n", expect_hex(run.u51, 1, 0, true, kVerbose));

    const std::vector<Expected> all = {{first_capture(run.t1[0]), false},
                                       {run.t1[1], true},
                                       UnknownTypeRun::as_read(run.t1[2]),
                                       UnknownTypeRun::as_read(run.t1[3])};
    EXPECT_EQ(run_vardo({"-v"}, run.wav).out, lines_of(all, kVerbose));
    const OutputForm csv{0, false, true};
    EXPECT_EQ(run_vardo({"-g", "--csv"}, run.wav).out, lines_of({all[1], all[2], all[3]}, csv));
}

TEST(Flight, UnknownTypeWithAMatchingCheckIsSaved) {
    const UnknownTypeRun run;
    TempDir dir;
    write_file(dir.file("in.wav"), run.wav);
    run_program(VARDO_EXE, {"-b", dir.file("in.wav")}, "", dir.path);
    // The nominal length of each: 41 bytes, and 46 without the 5 of auxlen.
    std::string want(run.u41.begin(), run.u41.end());
    want.append(run.u51.begin(), run.u51.begin() + 46);
    EXPECT_EQ(read_file(dir.file("000-0-00000.bin")), want);
}
