// sonderx's input layer: every sample format to the floats it stands for,
// header shapes that streaming and common writers make, channel choice,
// streams arriving in small pieces, and every refusal with its message.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <mutex>
#include <sndfile.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "io/sample_input.h"
#include "support/run_program.h"

using namespace sonde;

namespace {

std::string le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)}; }
std::string le24(uint32_t v) { return le16(v & 0xFFFF) + std::string(1, static_cast<char>(v >> 16 & 0xFF)); }
std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }
std::string f32(float x) {
    uint32_t u;
    std::memcpy(&u, &x, 4);
    return le32(u);
}
std::string f64(double x) {
    uint64_t u;
    std::memcpy(&u, &x, 8);
    return le32(static_cast<uint32_t>(u)) + le32(static_cast<uint32_t>(u >> 32));
}

std::string fmt_chunk(unsigned tag, unsigned channels, uint32_t rate, unsigned bits, const std::string& extra = "") {
    const unsigned align = channels * ((bits + 7) / 8);
    std::string body = le16(tag) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) + le16(bits) + extra;
    return "fmt " + le32(static_cast<uint32_t>(body.size())) + body;
}

// WAVE_FORMAT_EXTENSIBLE around a plain format tag.
std::string extensible_fmt(unsigned sub_tag, unsigned channels, uint32_t rate, unsigned container, unsigned valid) {
    std::string guid_tail("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71", 14);
    return fmt_chunk(0xFFFE, channels, rate, container, le16(22) + le16(valid) + le32(0) + le16(sub_tag) + guid_tail);
}

std::string wav(const std::string& fmt, const std::string& data, uint32_t data_size = 0xFFFFFFFF,
                const std::string& before_data = "", const std::string& after_data = "") {
    return "RIFF" + le32(0xFFFFFFFF) + "WAVE" + fmt + before_data + "data" + le32(data_size) + data + after_data;
}

InputConfig audio(int channel = 0) {
    InputConfig c;
    c.channel = channel;
    return c;
}
InputConfig raw(InputMode mode, SampleFormat f, int64_t rate, int channels = 1, int channel = 0) {
    InputConfig c;
    c.mode = mode;
    c.raw_format = f;
    c.rate_hz = rate;
    c.channels = channels;
    c.channel = channel;
    return c;
}

struct Opened {
    std::unique_ptr<std::string> bytes = std::make_unique<std::string>();
    std::unique_ptr<SampleInput> in = std::make_unique<SampleInput>();
    InputError error;
};

Opened open_memory(const std::string& bytes, const InputConfig& c, int64_t piece = 0) {
    Opened o;
    *o.bytes = bytes;
    o.in->max_piece = piece;
    o.error = input_open_memory(*o.in, o.bytes->data(), o.bytes->size(), "standard input", c);
    return o;
}

// Every value to the end, read up to maxes[k % size] at a time (pairs for I/Q).
std::vector<float> read_all(SampleInput& in, const std::vector<int>& maxes = {4096}) {
    std::vector<float> v;
    std::vector<float> block(2 * 4096);
    for (std::size_t k = 0;; k++) {
        const int max = maxes[k % maxes.size()];
        const int n = in.format.iq ? input_read_iq(in, reinterpret_cast<std::complex<float>*>(block.data()), max)
                                   : input_read(in, block.data(), max);
        EXPECT_GE(n, 0);
        EXPECT_LE(n, max);
        if (n <= 0) break;
        v.insert(v.end(), block.begin(), block.begin() + n * (in.format.iq ? 2 : 1));
    }
    return v;
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

struct FormatCase {
    const char* what;
    std::string file;  // a WAV, or raw bytes with config
    InputConfig config;
    std::vector<float> want;
};

std::vector<FormatCase> format_cases() {
    const InputConfig a = audio();
    const std::string u8 = std::string("\x80\x00\xff\x40", 4);
    const std::string s8 = std::string("\x00\x80\x7f\xc0", 4);
    const std::string s16 = le16(0) + le16(0x8000) + le16(0x7FFF) + le16(0x4000);
    const std::string s24 = le24(0) + le24(0x800000) + le24(0x7FFFFF) + le24(0xC00000);
    const std::string s32 = le32(0x80000000) + le32(0x7FFFFFFF) + le32(1) + le32(0x40000000);
    const std::string fl = f32(0.25f) + f32(-1.5f) + f32(kNaN) + f32(-kInf);
    const std::string db = f64(0.125) + f64(-0.75) + f64(1e300) + f64(1.0000000001);
    const std::vector<float> u8_want = {0.0f, -1.0f, 127.0f / 128, -0.5f};
    const std::vector<float> s16_want = {0.0f, -1.0f, 32767.0f / 32768, 0.5f};
    const std::vector<float> s32_want = {-1.0f, 1.0f, 1.0f / 2147483648.0f, 0.5f};  // 2^31 - 1 rounds to 2^31
    const std::vector<float> fl_want = {0.25f, -1.5f, 0.0f, 0.0f};                  // NaN and infinities become 0
    return {
        {"wav u8", wav(fmt_chunk(1, 1, 8000, 8), u8), a, u8_want},
        {"wav s16", wav(fmt_chunk(1, 1, 48000, 16), s16), a, s16_want},
        {"wav s24", wav(fmt_chunk(1, 1, 48000, 24), s24), a, {0.0f, -1.0f, 8388607.0f / 8388608, -0.5f}},
        {"wav s32", wav(fmt_chunk(1, 1, 48000, 32), s32), a, s32_want},
        {"wav f32", wav(fmt_chunk(3, 1, 48000, 32), fl), a, fl_want},
        {"wav f64", wav(fmt_chunk(3, 1, 48000, 64), db), a, {0.125f, -0.75f, 0.0f, 1.0f}},
        {"wav 12-bit in 16", wav(fmt_chunk(1, 1, 48000, 12), s16), a, s16_want},
        {"extensible s16", wav(extensible_fmt(1, 1, 48000, 16, 16), s16), a, s16_want},
        {"extensible 24 in 32", wav(extensible_fmt(1, 1, 48000, 32, 24), s32), a, s32_want},
        {"extensible f32", wav(extensible_fmt(3, 1, 48000, 32, 32), fl), a, fl_want},
        {"raw s16le", s16, raw(InputMode::raw_audio, SampleFormat::s16le, 48000), s16_want},
        {"raw u8", u8, raw(InputMode::raw_audio, SampleFormat::u8, 48000), u8_want},
        {"raw s8", s8, raw(InputMode::raw_audio, SampleFormat::s8, 48000), u8_want},
        {"raw f32le", fl, raw(InputMode::raw_audio, SampleFormat::f32le, 48000), fl_want},
        // rtl_sdr's offset binary is centred on 127.5.
        {"iq u8",
         std::string("\x00\xff\x7f\x80", 4),
         raw(InputMode::raw_iq, SampleFormat::u8, 2048000),
         {-1.0f, 1.0f, -0.5f / 127.5f, 0.5f / 127.5f}},
        {"iq s8", s8, raw(InputMode::raw_iq, SampleFormat::s8, 250000), u8_want},
        {"iq s16le", s16, raw(InputMode::raw_iq, SampleFormat::s16le, 250000), s16_want},
        {"iq f32le", fl, raw(InputMode::raw_iq, SampleFormat::f32le, 250000), fl_want},
        {"iq wav s16", wav(fmt_chunk(1, 2, 250000, 16), s16), raw(InputMode::wav_iq, SampleFormat::u8, 0), s16_want},
        {"iq wav f32", wav(fmt_chunk(3, 2, 3200000, 32), fl), raw(InputMode::wav_iq, SampleFormat::u8, 0), fl_want},
    };
}

}  // namespace

TEST(SampleInput, EveryFormatToFullScaleFloats) {
    for (const FormatCase& c : format_cases()) {
        Opened o = open_memory(c.file, c.config);
        ASSERT_FALSE(o.error.failed()) << c.what << ": " << o.error.message;
        EXPECT_EQ(read_all(*o.in), c.want) << c.what;
        EXPECT_EQ(o.in->samples, static_cast<int64_t>(c.want.size()) / (o.in->format.iq ? 2 : 1)) << c.what;
        EXPECT_EQ(o.in->bytes, static_cast<int64_t>(c.file.size())) << c.what;
    }
}

TEST(SampleInput, PiecesOfAnySizeDeliverTheSameSamples) {
    // Each piece size also cuts the header and the frames at every offset.
    for (const FormatCase& c : format_cases()) {
        Opened whole = open_memory(c.file, c.config);
        const std::vector<float> want = read_all(*whole.in);
        for (int64_t piece : {1, 2, 3, 5, 7}) {
            Opened o = open_memory(c.file, c.config, piece);
            ASSERT_FALSE(o.error.failed()) << c.what;
            EXPECT_EQ(read_all(*o.in, {1, 3, 1000}), want) << c.what << ", pieces of " << piece;
        }
    }
}

TEST(SampleInput, ChoosesAChannel) {
    // Three 24-bit channels: channel k of frame i holds (i + 1) * 2^16 * (k + 1).
    std::string data;
    for (uint32_t i = 0; i < 4; i++)
        for (uint32_t k = 0; k < 3; k++) data += le24((i + 1) * (k + 1) << 16);
    for (int ch = 0; ch < 3; ch++) {
        std::vector<float> want;
        for (int i = 0; i < 4; i++) want.push_back(static_cast<float>((i + 1) * (ch + 1)) / 128.0f);
        Opened o = open_memory(wav(fmt_chunk(1, 3, 48000, 24), data), audio(ch));
        ASSERT_FALSE(o.error.failed());
        EXPECT_EQ(read_all(*o.in), want) << ch;
        for (int64_t piece : {1, 4, 8}) {
            Opened p = open_memory(wav(fmt_chunk(1, 3, 48000, 24), data), audio(ch), piece);
            EXPECT_EQ(read_all(*p.in, {2}), want) << ch << " " << piece;
        }
        Opened r = open_memory(data, raw(InputMode::raw_audio, SampleFormat::s8, 8000, 9, ch * 3 + 2));
        EXPECT_EQ(read_all(*r.in), want) << "raw, channel " << ch * 3 + 2;  // the top byte of each 24-bit value
    }
}

TEST(SampleInput, HeaderShapesFromStreamingAndCommonWriters) {
    const std::string fmt = fmt_chunk(1, 1, 48000, 16);
    const std::string s = le16(0x4000) + le16(0xC000);  // 0.5, -0.5
    const std::string list = "LIST" + le32(4) + "INFO";
    const std::string junk = "JUNK" + le32(3) + "abc" + std::string(1, '\0');  // odd size, padded
    struct Case {
        const char* what;
        std::string file;
        std::vector<float> want;
    };
    const std::string noise = std::string("\x01\x80\xff\x7f", 4);  // not a chunk name: samples
    for (const Case& c : {
             Case{"sizes 0", wav(fmt, s, 0), {0.5f, -0.5f}},
             Case{"sizes 0xFFFFFFFF", wav(fmt, s, 0xFFFFFFFF), {0.5f, -0.5f}},
             Case{"placeholder size", wav(fmt, s, 0x7FFFF000), {0.5f, -0.5f}},
             Case{"chunks before fmt and data",
                  "RIFF" + le32(0) + "WAVE" + junk + fmt + list + "data" + le32(4) + s,
                  {0.5f, -0.5f}},
             Case{"metadata after the data", wav(fmt, s, 4, "", list), {0.5f, -0.5f}},
             Case{"size short of the data, ending before a chunk name could",
                  wav(fmt, s + le16(0x4000), 4),
                  {0.5f, -0.5f, 0.5f}},
             Case{"size short of the data", wav(fmt, s + noise, 4), {0.5f, -0.5f, -32767.0f / 32768, 32767.0f / 32768}},
             Case{"odd size, pad, metadata",
                  wav(fmt_chunk(1, 1, 8000, 8), "\xc0\x40\x80", 3, "", std::string(1, '\0') + list),
                  {0.5f, -0.5f, 0.0f}},
             Case{"fmt of 18 bytes, RF64",
                  "RF64" + le32(0xFFFFFFFF) + "WAVE" + "ds64" + le32(4) + "abcd" + fmt_chunk(1, 1, 48000, 16, le16(0)) +
                      "data" + le32(0xFFFFFFFF) + s,
                  {0.5f, -0.5f}},
         }) {
        for (int64_t piece : {0, 1, 3}) {
            Opened o = open_memory(c.file, audio(), piece);
            ASSERT_FALSE(o.error.failed()) << c.what << ": " << o.error.message;
            EXPECT_EQ(read_all(*o.in), c.want) << c.what << ", pieces of " << piece;
        }
    }
}

TEST(SampleInput, RefusesWithTheReasonAndWhatItSaw) {
    const std::string fmt = fmt_chunk(1, 1, 48000, 16);
    const std::string head = "RIFF" + le32(0) + "WAVE";
    const std::string in = "standard input";
    const std::string unsupported = in + " holds WAV samples in an unsupported format, ";
    const std::string readable = ": readable are integer PCM of 8 to 32 bits and float of 32 or 64 bits";
    const std::string broken = in + " has a broken WAV header: ";
    const InputConfig a = audio();
    const InputConfig wav_iq = raw(InputMode::wav_iq, SampleFormat::u8, 0);
    using C = InputErrorCode;
    struct Case {
        std::string bytes;
        InputConfig config;
        C code;
        std::string message;
    };
    for (const Case& c : {
             Case{"", a, C::empty, "standard input is empty"},
             Case{"", raw(InputMode::raw_iq, SampleFormat::u8, 2048000), C::empty, "standard input is empty"},
             Case{"hello world\n", a, C::not_a_recording,
                  in + " is not a recording that can be read: it starts with text: \"hello wor...\""},
             Case{"say \"hi\"\n", a, C::not_a_recording,
                  in + " is not a recording that can be read: it starts with text: \"say \\\"hi\\\"\\n\""},
             Case{std::string("\x7f"
                              "ELF\x02\x01\x01\0\0\0\0\0\0",
                              13),
                  a, C::not_a_recording,
                  in + " is not a recording that can be read: it starts with bytes 7f 45 4c 46 (not RIFF/WAVE)"},
             Case{"RIFF" + le32(100) + "AVI LIST", a, C::not_a_recording,
                  in + " is not a recording that can be read: it is a RIFF file of type \"AVI \", not WAVE"},
             Case{std::string("fLaC\0\0\0\x22", 8), a, C::needs_named_file,
                  in + " is a FLAC stream, which is read from a named file only (not from a pipe): give its name"},
             Case{"RIFF" + le32(0) + "WA", a, C::header_cut_short,
                  in + " ends inside its WAV header, after 10 bytes: the recording is cut short"},
             Case{head, a, C::header_cut_short,
                  in + " ends inside its WAV header, after 12 bytes, before its fmt chunk: the recording is cut short"},
             Case{head + fmt.substr(0, 10), a, C::header_cut_short,
                  in + " ends inside its WAV header, after 22 bytes, in its fmt chunk: the recording is cut short"},
             Case{
                 head + fmt, a, C::header_cut_short,
                 in + " ends inside its WAV header, after 36 bytes, before its data chunk: the recording is cut short"},
             Case{
                 head + fmt + "LIST" + le32(1000) + "ab", a, C::header_cut_short,
                 in + " ends inside its WAV header, after 46 bytes, in its \"LIST\" chunk: the recording is cut short"},
             Case{head + "fmt " + le32(14) + fmt.substr(8, 14) + "data", a, C::bad_header,
                  broken + "its fmt chunk is 14 bytes long, 16 at least"},
             Case{head + fmt_chunk(1, 0, 48000, 16) + "data", a, C::bad_header, broken + "it gives 0 channels"},
             Case{head + "data" + le32(0) + fmt, a, C::bad_header,
                  broken + "its data chunk comes before its fmt chunk"},
             Case{head + fmt_chunk(0xFFFE, 1, 48000, 16) + "data", a, C::bad_header,
                  broken + "its extensible fmt chunk is 16 bytes long instead of 40"},
             Case{head + fmt_chunk(2, 1, 48000, 4) + "data", a, C::unsupported_format,
                  unsupported + "format tag 0x0002 (ADPCM)" + readable},
             Case{head + fmt_chunk(0x1234, 1, 48000, 16) + "data", a, C::unsupported_format,
                  unsupported + "format tag 0x1234" + readable},
             Case{head + fmt_chunk(1, 1, 48000, 40) + "data", a, C::unsupported_format,
                  unsupported + "PCM of 40 bits" + readable},
             Case{head + fmt_chunk(3, 1, 48000, 16) + "data", a, C::unsupported_format,
                  unsupported + "float of 16 bits" + readable},
             Case{wav(fmt_chunk(1, 2, 48000, 16), ""), audio(2), C::no_such_channel,
                  "channel 2 does not exist: standard input has 2 channels, numbered 0 to 1"},
             Case{wav(fmt, ""), audio(1), C::no_such_channel,
                  "channel 1 does not exist: standard input has 1 channel, numbered 0"},
             Case{"ab", raw(InputMode::raw_audio, SampleFormat::u8, 8000, 2, 5), C::no_such_channel,
                  "channel 5 does not exist: standard input has 2 channels, numbered 0 to 1"},
             Case{"ab", raw(InputMode::raw_audio, SampleFormat::u8, 8000, 0), C::wrong_channel_count,
                  "raw audio has 1 to 64 channels, not 0"},
             Case{wav(fmt, ""), wav_iq, C::wrong_channel_count,
                  in + " has 1 channel: an I/Q recording has two, I left and Q right"},
             Case{wav(fmt_chunk(1, 1, 4000, 16), ""), a, C::rate_out_of_range,
                  "the sample rate in standard input's header is 4000 Hz, out of range: audio sample rates from 8k to "
                  "768k are read"},
             Case{wav(fmt_chunk(1, 2, 48000, 16), ""), wav_iq, C::rate_out_of_range,
                  "the sample rate in standard input's header is 48000 Hz, out of range: I/Q sample rates from 96k to "
                  "3.2M are read"},
             Case{"", raw(InputMode::raw_iq, SampleFormat::u8, 50000), C::rate_out_of_range,
                  "the rate is 50000 Hz, out of range: I/Q sample rates from 96k to 3.2M are read"},
             Case{"ab", raw(InputMode::raw_audio, SampleFormat::u8, 0), C::rate_out_of_range,
                  "raw samples carry no rate of their own: it must be given"},
         }) {
        Opened o = open_memory(c.bytes, c.config);
        EXPECT_EQ(o.error.code, c.code) << c.message;
        EXPECT_EQ(o.error.message, c.message);
        float x;
        EXPECT_EQ(input_read(*o.in, &x, 1), 0) << "a refused input delivers nothing";
    }
}

TEST(SampleInput, RefusesFilesItCannotRead) {
    TempDir dir;
    const std::string empty = dir.file("empty.wav");
    {
        std::FILE* f = std::fopen(empty.c_str(), "w");
        std::fclose(f);
    }
    const std::string missing = dir.file("missing.wav");
    struct Case {
        std::string path;
        InputErrorCode code;
        std::string message;
    };
    for (const Case& c :
         {Case{missing, InputErrorCode::cannot_open, "cannot open " + missing + ": No such file or directory"},
          Case{dir.path, InputErrorCode::is_directory, dir.path + " is a directory, not a recording"},
          Case{empty, InputErrorCode::empty, empty + " is empty"}}) {
        auto in = std::make_unique<SampleInput>();
        InputError e = input_open_file(*in, c.path.c_str(), audio());
        EXPECT_EQ(e.code, c.code);
        EXPECT_EQ(e.message, c.message);
    }
}

TEST(SampleInput, DescribesWhatItOpened) {
    const std::string s16 = le16(1) + le16(2) + le16(3) + le16(4);
    struct Case {
        std::string bytes;
        InputConfig config;
        std::string line;
    };
    for (const Case& c : {
             Case{wav(fmt_chunk(1, 2, 48000, 16), s16), audio(1),
                  "WAV, 16-bit integer, 2 channels (reading channel 1), 48000 Hz"},
             Case{wav(extensible_fmt(1, 1, 44100, 32, 24), s16), audio(),
                  "WAV (extensible), 32-bit integer (24 bits used), 1 channel, 44100 Hz"},
             Case{s16, raw(InputMode::raw_audio, SampleFormat::s16le, 48000), "raw s16le, 1 channel, 48000 Hz"},
             Case{s16, raw(InputMode::raw_iq, SampleFormat::u8, 2048000), "I/Q raw u8, 2048000 Hz"},
             Case{wav(fmt_chunk(3, 2, 250000, 32), s16), raw(InputMode::wav_iq, SampleFormat::u8, 0),
                  "I/Q WAV, 32-bit float, 250000 Hz"},
         }) {
        Opened o = open_memory(c.bytes, c.config);
        ASSERT_FALSE(o.error.failed()) << o.error.message;
        EXPECT_EQ(describe_input_format(o.in->format), c.line);
        EXPECT_EQ(o.in->format.from_header,
                  c.config.mode == InputMode::recording || c.config.mode == InputMode::wav_iq);
    }
    // Raw samples that start like a WAV file: the program can warn that the header is read as samples.
    Opened w = open_memory(wav(fmt_chunk(1, 1, 48000, 16), s16), raw(InputMode::raw_audio, SampleFormat::s16le, 48000));
    EXPECT_TRUE(w.in->format.starts_like_wav);
}

namespace {

// Writes values with libsndfile in the given format; true when it could.
bool write_with_sndfile(const std::string& path, int format, const std::vector<short>& values) {
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 1;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr) return false;
    sf_write_short(f, values.data(), static_cast<sf_count_t>(values.size()));
    sf_close(f);
    return true;
}

}  // namespace

TEST(SampleInput, OtherContainersFromFilesThroughLibsndfile) {
    TempDir dir;
    const std::vector<short> values = {0, -32768, 32767, 16384};
    const std::vector<float> want = {0.0f, -1.0f, 32767.0f / 32768, 0.5f};
    const std::string flac = dir.file("r.flac"), ulaw = dir.file("u.wav");
    ASSERT_TRUE(write_with_sndfile(flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, values));
    ASSERT_TRUE(write_with_sndfile(ulaw, SF_FORMAT_WAV | SF_FORMAT_ULAW, values));

    auto in = std::make_unique<SampleInput>();
    ASSERT_FALSE(input_open_file(*in, flac.c_str(), audio()).failed());
    EXPECT_EQ(describe_input_format(in->format), "FLAC, 16-bit integer, 1 channel, 48000 Hz");
    EXPECT_EQ(read_all(*in), want);
    EXPECT_EQ(input_open_file(*in, flac.c_str(), audio(1)).message,
              "channel 1 does not exist: " + flac + " has 1 channel, numbered 0");

    // A mu-law WAV: the file goes to libsndfile, the same bytes from a pipe cannot.
    ASSERT_FALSE(input_open_file(*in, ulaw.c_str(), audio()).failed());
    EXPECT_EQ(describe_input_format(in->format), "WAV, compressed or companded, 1 channel, 48000 Hz");
    const std::vector<float> decoded = read_all(*in);
    ASSERT_EQ(decoded.size(), values.size());
    for (std::size_t i = 0; i < values.size(); i++) EXPECT_NEAR(decoded[i], want[i], 0.03) << i;
    Opened piped = open_memory(read_file(ulaw), audio());
    EXPECT_EQ(piped.error.code, InputErrorCode::unsupported_format);
    EXPECT_EQ(piped.error.message,
              "standard input holds WAV samples in an unsupported format, format tag 0x0007 "
              "(mu-law): readable are integer PCM of 8 to 32 bits and float of 32 or 64 bits");
    Opened flac_piped = open_memory(read_file(flac), audio());
    EXPECT_EQ(flac_piped.error.code, InputErrorCode::needs_named_file);
}

TEST(SampleInput, ALivePipeDeliversWhatHasArrivedWithoutWaiting) {
    // The writer sends the header and two samples, then holds the pipe open
    // until the reader has had them; a reader that waited to fill its block
    // would only return once the writer gives up and sends the rest.
    const std::string first = wav(fmt_chunk(1, 1, 48000, 16), le16(0x4000) + le16(0xC000));
    const std::string rest = le16(0x2000);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::mutex m;
    std::condition_variable cv;
    bool had_first = false;
    std::thread writer([&] {
        EXPECT_EQ(write(fds[1], first.data(), first.size()), static_cast<ssize_t>(first.size()));
        std::unique_lock<std::mutex> lock(m);
        cv.wait_for(lock, std::chrono::seconds(20), [&] { return had_first; });
        EXPECT_EQ(write(fds[1], rest.data(), rest.size()), static_cast<ssize_t>(rest.size()));
        close(fds[1]);
    });
    auto in = std::make_unique<SampleInput>();
    ASSERT_FALSE(input_open_fd(*in, fds[0], "standard input", audio()).failed());
    float block[100];
    EXPECT_EQ(input_read(*in, block, 100), 2);
    {
        std::lock_guard<std::mutex> lock(m);
        had_first = true;
    }
    cv.notify_one();
    EXPECT_EQ(input_read(*in, block, 100), 1);
    EXPECT_EQ(block[0], 0.25f);
    EXPECT_EQ(input_read(*in, block, 100), 0);
    writer.join();
    close(fds[0]);
    EXPECT_EQ(in->samples, 3);
}
