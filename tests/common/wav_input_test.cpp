// WAV header parsing and sample reading, from memory images, pipes and the
// header shapes that common tools write.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "io/line_out.h"
#include "synth/wav_writer.h"
#include "io/wav_input.h"

using namespace sonde;

namespace {

std::string le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

std::string fmt_chunk(unsigned format, unsigned channels, uint32_t rate, unsigned bits, const std::string& extra = "") {
    std::string body = le16(format) + le16(channels) + le32(rate) + le32(rate * channels * bits / 8) +
                       le16(channels * bits / 8) + le16(bits) + extra;
    return "fmt " + le32(static_cast<uint32_t>(body.size())) + body;
}

// Captures what a function writes to a descriptor.
struct ErrCapture {
    int fds[2];
    ErrCapture() { EXPECT_EQ(pipe(fds), 0); }
    ~ErrCapture() {
        close(fds[0]);
        if (fds[1] >= 0) close(fds[1]);
    }
    std::string text() {
        close(fds[1]);
        fds[1] = -1;
        std::string s;
        char b[4096];
        ssize_t n;
        while ((n = read(fds[0], b, sizeof b)) > 0) s.append(b, static_cast<std::size_t>(n));
        return s;
    }
};

struct Parsed {
    int status;
    std::string err;
    std::unique_ptr<WavInput> in;
    std::unique_ptr<std::string> bytes;  // the memory image the input reads
};

Parsed parse(const std::string& bytes, float nominal = 9600.0f, int channel = 0) {
    Parsed p{0, "", std::make_unique<WavInput>(), std::make_unique<std::string>(bytes)};
    p.in->nominal_bit_rate = nominal;
    p.in->wav_channel = channel;
    source_open_memory(p.in->src, p.bytes->data(), p.bytes->size());
    ErrCapture err;
    p.status = read_wav_header(*p.in, err.fds[1]);
    p.err = err.text();
    return p;
}

std::vector<int> all_samples(WavInput& in) {
    std::vector<int> v;
    for (int s; (s = read_signed_sample(in)) != kEndOfData;) v.push_back(s);
    return v;
}

// The same samples, read up to `most` at a time (cycling through the
// sizes); each call delivers at least one sample until the end.
std::vector<int> samples_in_blocks(WavInput& in, const std::vector<int>& most) {
    std::vector<int> v;
    std::vector<int> block(4096);
    for (std::size_t k = 0;; k++) {
        const int max = most[k % most.size()];
        const int n = read_signed_samples(in, block.data(), max);
        EXPECT_LE(n, max);
        if (n == 0) break;
        v.insert(v.end(), block.begin(), block.begin() + n);
    }
    return v;
}

const std::string kInfo48k16 = "sample_rate: 48000\nbits       : 16\nchannels   : 1\n";

}  // namespace

TEST(WavHeader, AcceptsEveryHeaderShapeAndStopsAtFirstSample) {
    for (auto style : {WavHeaderStyle::plain, WavHeaderStyle::list_chunk, WavHeaderStyle::fmt18,
                       WavHeaderStyle::sizes_zero, WavHeaderStyle::sizes_max}) {
        WavSpec wav_spec;
        wav_spec.style = style;
        std::string file = wav_file(wav_spec, {0.5, -0.25, 0.0});
        Parsed p = parse(file);
        ASSERT_EQ(p.status, 0) << static_cast<int>(style);
        EXPECT_EQ(p.err, kInfo48k16 + "samples/bit: 5.00\n");
        EXPECT_EQ(all_samples(*p.in), (std::vector<int>{16384, -8192, 0}));
    }
}

TEST(WavHeader, AcceptsHeadersAsSoxAndFfmpegWriteThem) {
    const std::string data = le16(0x1234) + le16(0xFFFF);
    // ffmpeg to a pipe: 16-byte fmt, an INFO list naming the encoder, sizes 0xFFFFFFFF.
    std::string info = "INFOISFT" + le32(14) + std::string("Lavf60.3.100\0\0", 14);
    std::string ffmpeg = "RIFF" + le32(0xFFFFFFFF) + "WAVE" + fmt_chunk(1, 1, 48000, 16) + "LIST" +
                         le32(static_cast<uint32_t>(info.size())) + info + "data" + le32(0xFFFFFFFF) + data;
    // ffmpeg's extensible form: a 40-byte fmt chunk with format code 0xFFFE.
    std::string ext = le16(22) + le16(16) + le32(4) +
                      std::string("\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71", 16);
    std::string extensible = "RIFF" + le32(0) + "WAVE" + fmt_chunk(0xFFFE, 1, 48000, 16, ext) + "data" + le32(4) + data;
    // sox to a pipe: plain header with its placeholder length for unknown sizes.
    std::string sox =
        "RIFF" + le32(0x7FFFF024) + "WAVE" + fmt_chunk(1, 1, 48000, 16) + "data" + le32(0x7FFFF000) + data;
    for (const std::string& file : {ffmpeg, extensible, sox}) {
        Parsed p = parse(file);
        ASSERT_EQ(p.status, 0);
        EXPECT_EQ(p.err, kInfo48k16 + "samples/bit: 5.00\n");
        EXPECT_EQ(all_samples(*p.in), (std::vector<int>{0x1234, -1}));
    }
}

TEST(WavHeader, SamplesPerBitFollowsTheProgramsBitRate) {
    struct Case {
        int rate;
        float nominal;
        const char* line;
        float spb;
    };
    for (Case c :
         {Case{48000, 9600.0f, "samples/bit: 5.00\n", 5.0f}, Case{44100, 9600.0f, "samples/bit: 4.59\n", 4.59375f},
          Case{48000, 4800.0f, "samples/bit: 10.00\n", 10.0f}, Case{44100, 4800.0f, "samples/bit: 9.19\n", 9.1875f}}) {
        WavSpec wav_spec;
        wav_spec.sample_rate = c.rate;
        Parsed p = parse(wav_file(wav_spec, {}), c.nominal);
        ASSERT_EQ(p.status, 0);
        EXPECT_EQ(p.in->samples_per_bit, c.spb);
        EXPECT_NE(p.err.find(c.line), std::string::npos) << p.err;
    }
    WavSpec wav_spec;
    Parsed none = parse(wav_file(wav_spec, {}), 0.0f);
    EXPECT_EQ(none.err, kInfo48k16);  // no samples-per-bit line without a nominal rate
}

TEST(WavHeader, RefusesMissingTagsAndEveryTruncation) {
    WavSpec wav_spec;
    std::string good = wav_file(wav_spec, {});
    EXPECT_EQ(parse("RIFX" + good.substr(4)).status, -1);
    EXPECT_EQ(parse(good.substr(0, 8) + "WAVF" + good.substr(12)).status, -1);
    EXPECT_EQ(parse("").status, -1);
    // Every header cut short is refused, silently: the information lines come
    // only once the data tag has been found.
    for (std::size_t n = 0; n < good.size() - 4; n++) {
        Parsed p = parse(good.substr(0, n));
        EXPECT_EQ(p.status, -1) << n;
        EXPECT_EQ(p.err, "") << n;
    }
}

TEST(WavHeader, RefusesUnsupportedWidthAfterTheInformationLines) {
    std::string file = "RIFF" + le32(0) + "WAVE" + fmt_chunk(1, 1, 48000, 24) + "data" + le32(0);
    Parsed p = parse(file);
    EXPECT_EQ(p.status, -1);
    EXPECT_EQ(p.err, "sample_rate: 48000\nbits       : 24\nchannels   : 1\n");
}

TEST(WavHeader, RefusesZeroChannelsAndBadRatesWithAMessage) {
    Parsed zero_ch = parse("RIFF" + le32(0) + "WAVE" + fmt_chunk(1, 0, 48000, 16) + "data" + le32(0) + "abcd");
    EXPECT_EQ(zero_ch.status, -1);
    EXPECT_EQ(zero_ch.err,
              "sample_rate: 48000\nbits       : 16\nchannels   : 0\nerror: the WAV header gives 0 channels\n");
    for (uint32_t rate : {0u, 0x80000000u, 0xFFFFFFFFu}) {
        Parsed p = parse("RIFF" + le32(0) + "WAVE" + fmt_chunk(1, 1, rate, 16) + "data" + le32(0));
        EXPECT_EQ(p.status, -1);
        std::string r = std::to_string(static_cast<int32_t>(rate));
        EXPECT_EQ(p.err, "sample_rate: " + r + "\nbits       : 16\nchannels   : 1\n" +
                             "error: the WAV header gives an invalid sample rate of " + r + "\n");
    }
}

TEST(Samples, EightAndSixteenBitConversions) {
    std::string h8 = "RIFF" + le32(0) + "WAVE" + fmt_chunk(1, 1, 8000, 8) + "data" + le32(0);
    Parsed p8 = parse(h8 + std::string("\x80\x00\xff\x7f\x81", 5));
    ASSERT_EQ(p8.status, 0);
    EXPECT_EQ(all_samples(*p8.in), (std::vector<int>{0, -128, 127, -1, 1}));
    EXPECT_EQ(p8.in->sample_count, 5u);

    std::string h16 = "RIFF" + le32(0) + "WAVE" + fmt_chunk(1, 1, 8000, 16) + "data" + le32(0);
    Parsed p16 = parse(h16 + std::string("\x00\x80\xff\x7f\x00\x00\xff\xff", 8));
    ASSERT_EQ(p16.status, 0);
    EXPECT_EQ(all_samples(*p16.in), (std::vector<int>{-32768, 32767, 0, -1}));
}

TEST(Samples, ChannelChoiceInStereo) {
    std::string h = "RIFF" + le32(0) + "WAVE" + fmt_chunk(1, 2, 48000, 16) + "data" + le32(0);
    std::string frames = le16(1) + le16(2) + le16(0xFFFD) + le16(4);
    Parsed first = parse(h + frames, 9600.0f, 0);
    EXPECT_EQ(all_samples(*first.in), (std::vector<int>{1, -3}));
    Parsed second = parse(h + frames, 9600.0f, 1);
    EXPECT_EQ(all_samples(*second.in), (std::vector<int>{2, 4}));
}

TEST(Samples, MissingChannelReadsAsZeroLevelUntilTheEnd) {
    std::string h16 = "RIFF" + le32(0) + "WAVE" + fmt_chunk(1, 1, 48000, 16) + "data" + le32(0);
    Parsed p16 = parse(h16 + le16(500) + le16(600) + le16(700), 9600.0f, 1);
    EXPECT_EQ(all_samples(*p16.in), (std::vector<int>{0, 0, 0}));
    std::string h8 = "RIFF" + le32(0) + "WAVE" + fmt_chunk(1, 1, 48000, 8) + "data" + le32(0);
    Parsed p8 = parse(h8 + "\x10\x20", 9600.0f, 1);
    EXPECT_EQ(all_samples(*p8.in), (std::vector<int>{-128, -128}));
}

TEST(Samples, PartialFrameAtTheEndIsNoSample) {
    std::string h = "RIFF" + le32(0) + "WAVE" + fmt_chunk(1, 2, 48000, 16) + "data" + le32(0);
    Parsed p = parse(h + le16(7) + le16(8) + "\x01\x02\x03");
    EXPECT_EQ(read_signed_sample(*p.in), 7);
    EXPECT_EQ(p.in->sample_count, 1u);
    EXPECT_EQ(read_signed_sample(*p.in), kEndOfData);
    EXPECT_EQ(p.in->sample_count, 1u);
    EXPECT_EQ(read_signed_sample(*p.in), kEndOfData);  // stays at the end
}

TEST(Samples, ManyAtOnceAsOneByOneInEveryLayout) {
    for (unsigned bits : {8u, 16u}) {
        for (unsigned channels : {1u, 2u}) {
            for (int channel : {0, 1}) {
                SCOPED_TRACE(testing::Message() << bits << " bits, " << channels << " channels, channel " << channel);
                const std::string h =
                    "RIFF" + le32(0) + "WAVE" + fmt_chunk(1, channels, 48000, bits) + "data" + le32(0);
                std::string data;
                for (int i = 0; i < 3001 * static_cast<int>(channels); i++)
                    data += bits == 16 ? le16(static_cast<unsigned>(i * 977) & 0xFFFF)
                                       : std::string(1, static_cast<char>(i * 31));
                data += "\x01";  // a partial frame at the end
                Parsed one = parse(h + data, 9600.0f, channel);
                Parsed many = parse(h + data, 9600.0f, channel);
                const std::vector<int> expected = all_samples(*one.in);
                EXPECT_EQ(samples_in_blocks(*many.in, {1, 5, 64, 1000, 4096}), expected);
                EXPECT_EQ(many.in->sample_count, one.in->sample_count);
                EXPECT_EQ(read_signed_samples(*many.in, &std::vector<int>(8)[0], 8), 0);  // stays at the end
            }
        }
    }
}

TEST(Samples, CountingCanBeSwitchedOff) {
    WavSpec wav_spec;
    std::string file = wav_file(wav_spec, {0.1, 0.2});
    auto in = std::make_unique<WavInput>();
    in->count_samples = false;
    source_open_memory(in->src, file.data(), file.size());
    ASSERT_EQ(read_wav_header(*in, -1), 0);
    EXPECT_EQ(all_samples(*in).size(), 2u);
    EXPECT_EQ(in->sample_count, 0u);
}

TEST(Samples, APipeFedInDribsReadsLikeTheSameFile) {
    // Odd-sized writes from another thread make sample frames and header
    // fields straddle the reads the pipe delivers.
    WavSpec wav_spec;
    wav_spec.channels = 2;
    wav_spec.signal_channel = 1;
    wav_spec.style = WavHeaderStyle::list_chunk;
    std::vector<double> signal(5000), other(5000);
    for (std::size_t i = 0; i < signal.size(); i++) {
        signal[i] = static_cast<double>((i * 7919) % 2001) / 1000.0 - 1.0;
        other[i] = -signal[i] / 2;
    }
    std::string file = wav_file(wav_spec, signal, other);

    auto from_memory = std::make_unique<WavInput>();
    from_memory->wav_channel = 1;
    source_open_memory(from_memory->src, file.data(), file.size());
    ASSERT_EQ(read_wav_header(*from_memory, -1), 0);
    std::vector<int> expected = all_samples(*from_memory);

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::thread writer([&] {
        std::size_t at = 0, piece = 1;
        while (at < file.size()) {
            std::size_t n = std::min(piece, file.size() - at);
            EXPECT_EQ(write(fds[1], file.data() + at, n), static_cast<ssize_t>(n));
            at += n;
            piece = piece % 13 + 2;
            if (at % 97 < 3) usleep(200);
        }
        close(fds[1]);
    });
    auto from_pipe = std::make_unique<WavInput>();
    from_pipe->wav_channel = 1;
    source_open_fd(from_pipe->src, fds[0]);
    ASSERT_EQ(read_wav_header(*from_pipe, -1), 0);
    // Half one by one, the rest as many at a time as have arrived.
    std::vector<int> got;
    for (std::size_t i = 0; i < signal.size() / 2; i++) got.push_back(read_signed_sample(*from_pipe));
    const std::vector<int> rest = samples_in_blocks(*from_pipe, {3, 4096, 17});
    got.insert(got.end(), rest.begin(), rest.end());
    writer.join();
    close(fds[0]);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(from_pipe->sample_count, signal.size());
}

TEST(ByteSourceTest, NamedFileThatCannotBeOpened) {
    auto s = std::make_unique<ByteSource>();
    EXPECT_FALSE(source_open_file(*s, "/nonexistent/dir/file.wav"));
}
