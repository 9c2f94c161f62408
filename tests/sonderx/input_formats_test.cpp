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
    bool raw = false;  // raw samples, else a WAV
    Encoding enc;
    int rate = 48000;
    bool pipe = false;
    bool vardo = true;  // vardo's frame is expected (not below 16 kHz)
};

const InputCase kCases[] = {
    {"Wav16File", {}, false, {}},
    {"Wav16Pipe", {}, false, {}, 48000, true},
    {"Wav8", {}, false, {"u8"}},
    {"Wav24", {}, false, {"s24le"}, 48000, true},
    {"Wav32", {}, false, {"s32le"}},
    {"WavFloat", {}, false, {"f32le"}, 48000, true},
    {"WavDouble", {}, false, {"f64le"}},
    {"WavExtensible", {}, false, {"s16le", 1, 0, true}},
    {"WavThirdChannel", {"--channel", "2"}, false, {"s16le", 3, 2}},
    {"RawS16Pipe", {"--raw", "s16le", "--rate", "48000"}, true, {}, 48000, true},
    {"RawU8", {"--raw", "u8", "--rate", "48k"}, true, {"u8"}},
    {"RawS8Pipe", {"--raw", "s8", "--rate", "48k"}, true, {"s8"}, 48000, true},
    {"RawF32", {"--raw", "f32le", "--rate", "0.048M"}, true, {"f32le"}},
    {"RawSecondOfTwo",
     {"--raw", "s16le", "--rate", "48k", "--channels", "2", "--channel", "1"},
     true,
     {"s16le", 2, 1},
     48000,
     true},
    {"Rate44k1", {}, false, {}, 44100},
    {"Rate96k", {}, false, {}, 96000, true},
    {"Rate192k", {"--raw", "s16le", "--rate", "192k"}, true, {}, 192000},
    {"Rate16k", {}, false, {}, 16000},
    {"Rate8kWithoutVardo", {}, false, {}, 8000, false, false},
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
    const std::string image = c.raw ? raw_image(s.audio, c.enc) : wav_image(s.audio, c.rate, c.enc);
    const ProcessResult r = run_sonderx(args, image, c.pipe);
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
