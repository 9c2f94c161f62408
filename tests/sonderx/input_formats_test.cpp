// sonderx reads every input form to the same frames: WAV in each sample
// format and from a pipe, raw samples in each format and channel layout,
// and the rates from 8 kHz (vardo left out there) to 192 kHz.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

#include "sonderx_recordings.h"

namespace {

struct InputCase {
    const char* name;
    std::vector<std::string> args;
    int rate = 48000;
    // The recording's image from the audio.
    std::string (*image)(const std::vector<double>& x, int rate);
    bool pipe = false;
    bool vardo = true;  // vardo's frame is expected (not below 16 kHz)
};

std::string wav16(const std::vector<double>& x, int rate) { return wav_image(x, rate); }
std::string wav8(const std::vector<double>& x, int rate) { return wav_image(x, rate, WavEncoding::u8); }
std::string wav24(const std::vector<double>& x, int rate) { return wav_image(x, rate, WavEncoding::s24); }
std::string wav32(const std::vector<double>& x, int rate) { return wav_image(x, rate, WavEncoding::s32); }
std::string wavf32(const std::vector<double>& x, int rate) { return wav_image(x, rate, WavEncoding::f32); }
std::string wavf64(const std::vector<double>& x, int rate) { return wav_image(x, rate, WavEncoding::f64); }
std::string wavext(const std::vector<double>& x, int rate) { return wav_image(x, rate, WavEncoding::s16_extensible); }
std::string wav3ch(const std::vector<double>& x, int rate) { return wav_image(x, rate, WavEncoding::s16, 3, 2); }
std::string raw16(const std::vector<double>& x, int) { return raw_image(x, "s16le"); }
std::string rawu8(const std::vector<double>& x, int) { return raw_image(x, "u8"); }
std::string raws8(const std::vector<double>& x, int) { return raw_image(x, "s8"); }
std::string rawf32(const std::vector<double>& x, int) { return raw_image(x, "f32le"); }
std::string raw2ch(const std::vector<double>& x, int) { return raw_image(x, "s16le", 2, 1); }

const InputCase kCases[] = {
    {"Wav16File", {}, 48000, wav16},
    {"Wav16Pipe", {}, 48000, wav16, true},
    {"Wav8", {}, 48000, wav8},
    {"Wav24", {}, 48000, wav24, true},
    {"Wav32", {}, 48000, wav32},
    {"WavFloat", {}, 48000, wavf32, true},
    {"WavDouble", {}, 48000, wavf64},
    {"WavExtensible", {}, 48000, wavext},
    {"WavThirdChannel", {"--channel", "2"}, 48000, wav3ch},
    {"RawS16Pipe", {"--raw", "s16le", "--rate", "48000"}, 48000, raw16, true},
    {"RawU8", {"--raw", "u8", "--rate", "48k"}, 48000, rawu8},
    {"RawS8Pipe", {"--raw", "s8", "--rate", "48k"}, 48000, raws8, true},
    {"RawF32", {"--raw", "f32le", "--rate", "0.048M"}, 48000, rawf32},
    {"RawSecondOfTwo", {"--raw", "s16le", "--rate", "48k", "--channels", "2", "--channel", "1"}, 48000, raw2ch, true},
    {"Rate44k1", {}, 44100, wav16},
    {"Rate96k", {}, 96000, wav16, true},
    {"Rate192k", {"--raw", "s16le", "--rate", "192k"}, 192000, raw16},
    {"Rate16k", {}, 16000, wav16},
    {"Rate8kWithoutVardo", {}, 8000, wav16, false, false},
};

void PrintTo(const InputCase& c, std::ostream* os) { *os << c.name; }

class InputForms : public ::testing::TestWithParam<InputCase> {};

TEST_P(InputForms, GiveEveryFrameOfEveryKind) {
    const InputCase& c = GetParam();
    Sent s;
    if (c.vardo) s = sent_frames("vardo", 1, 0, c.rate);
    append_sent(s, sent_frames("pelkin", 1, 1, c.rate));
    append_sent(s, sent_frames("ostrel", 1, 2, c.rate));
    std::vector<std::string> args = c.args;
    args.push_back("--csv");
    const ProcessResult r = run_sonderx(args, c.image(s.audio, c.rate), c.pipe);
    EXPECT_EQ(r.status, 0) << r.err;
    std::set<std::tuple<std::string, long, long>> got, want;
    for (const Row& row : csv_rows(r.out))
        if (row.ok) got.insert({row.kind, std::lround(row.lat * 1e5), std::lround(row.lon * 1e5)});
    for (const SentFrame& f : s.frames) want.insert({f.kind, std::lround(f.lat * 1e5), std::lround(f.lon * 1e5)});
    EXPECT_EQ(got, want) << r.out << r.err;
    if (!c.vardo) {
        EXPECT_NE(r.err.find("vardo needs 16kHz"), std::string::npos) << r.err;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, InputForms, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<InputCase>& i) { return std::string(i.param.name); });

}  // namespace
