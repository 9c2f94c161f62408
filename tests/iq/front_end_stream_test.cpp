// The front end as a stream: the same audio whatever the block sizes the
// caller feeds, 64-bit sample numbers past 2^32, and the kinds narrowed
// once a frame decodes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "iq/iq_front_end.h"
#include "iq_signals.h"

namespace {

using namespace sonde::iq;

struct Record {
    std::vector<float> audio[kKinds];
    std::vector<uint64_t> first[kKinds];
    std::vector<ChannelEvent> events;
    std::size_t baseband[kKinds] = {};
};

void on_audio(void* ctx, const AudioBlock& a) {
    Record& r = *static_cast<Record*>(ctx);
    const int k = static_cast<int>(a.kind);
    r.audio[k].insert(r.audio[k].end(), a.samples, a.samples + a.count);
    r.first[k].push_back(a.first_sample);
}

void on_event(void* ctx, const ChannelEvent& e) { static_cast<Record*>(ctx)->events.push_back(e); }

void on_baseband(void* ctx, const BasebandBlock& b) {
    static_cast<Record*>(ctx)->baseband[static_cast<int>(b.kind)] += static_cast<std::size_t>(b.count);
}

Record run(const FrontEndConfig& cfg, const std::vector<float>& x, std::size_t block) {
    Record r;
    FrontEndSink sink;
    sink.ctx = &r;
    sink.audio = on_audio;
    sink.baseband = on_baseband;
    sink.event = on_event;
    IqFrontEnd fe;
    EXPECT_TRUE(front_end_init(fe, cfg, sink));
    const std::size_t n = x.size() / 2;
    for (std::size_t at = 0; at < n; at += block) front_end_feed(fe, x.data() + 2 * at, std::min(block, n - at));
    front_end_flush(fe);
    return r;
}

struct StreamCase {
    const char* name;
    double rate;
    int mode;
};

class Stream : public testing::TestWithParam<StreamCase> {};

// Blocks of 1, 7, 4096 and the whole capture give the same samples, with
// the search, the AFC and the channel opening all inside the capture.
TEST_P(Stream, BlockSizeDoesNotMatter) {
    const StreamCase& sc = GetParam();
    iqtest::Capture cap;
    cap.rate = sc.rate;
    cap.carriers.push_back({-61000.0, 0.05, iqtest::nrz(2400.0, 9600.0, 3)});
    cap.noise_rms = 0.1;
    const std::vector<float> x = iqtest::make_capture(cap, static_cast<int64_t>(0.7 * sc.rate));
    FrontEndConfig cfg;
    cfg.rate = sc.rate;
    cfg.mode = sc.mode;
    const Record whole = run(cfg, x, x.size() / 2);
    ASSERT_EQ(whole.events.size(), 1u);
    ASSERT_GT(whole.audio[0].size(), 1000u);
    for (std::size_t block : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
        const Record r = run(cfg, x, block);
        ASSERT_EQ(r.events.size(), 1u) << block;
        EXPECT_EQ(r.events[0].sample, whole.events[0].sample) << block;
        for (int k = 0; k < kKinds; k++) EXPECT_TRUE(r.audio[k] == whole.audio[k]) << block << " kind " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, Stream,
                         testing::Values(StreamCase{"down_converter", 250000.0, 0},
                                         StreamCase{"channelizer", 1024000.0, 1}),
                         [](const testing::TestParamInfo<StreamCase>& i) { return std::string(i.param.name); });

// A capture whose first sample is numbered past 2^32 (18 minutes at 4 MS/s)
// gives the same audio, numbered on from there.
TEST(Stream, SampleNumbersPast32Bits) {
    iqtest::Capture cap;
    cap.carriers.push_back({20000.0, 0.05, iqtest::nrz(2400.0, 4800.0, 9)});
    cap.noise_rms = 0.05;
    const std::vector<float> x = iqtest::make_capture(cap, 200000);
    FrontEndConfig cfg;
    cfg.search = false;
    cfg.forced_hz = {20000.0};
    const Record base = run(cfg, x, 5000);
    const uint64_t start = (uint64_t{1} << 32) + 12345;
    cfg.first_sample = start;
    const Record late = run(cfg, x, 5000);
    ASSERT_EQ(late.events.size(), 1u);
    EXPECT_EQ(late.events[0].sample, start);
    for (int k = 0; k < kKinds; k++) {
        EXPECT_TRUE(late.audio[k] == base.audio[k]);
        ASSERT_EQ(late.first[k].size(), base.first[k].size());
        for (std::size_t b = 0; b < base.first[k].size(); b++)
            EXPECT_EQ(late.first[k][b], base.first[k][b] + start) << b;
    }
    // The audio's sample numbers follow the capture's (48 kHz against 250 kHz).
    EXPECT_NEAR(static_cast<double>(late.first[0].back() - start), (base.audio[0].size() - 1) * 250000.0 / 48000.0,
                2000.0);
}

// One AFSK carrier at -30 kHz, and the front end given a channel on it.
std::vector<float> afsk_capture() {
    iqtest::Capture cap;
    cap.carriers.push_back({-30000.0, 0.05, iqtest::nrz(3500.0, 1200.0, 2)});
    return iqtest::make_capture(cap, 100000);
}

FrontEndConfig forced_config() {
    FrontEndConfig cfg;
    cfg.search = false;
    cfg.forced_hz = {-30000.0};
    return cfg;
}

// A kind read from its baseband runs no discriminator: its audio stops,
// its baseband and the other kinds' audio stay as they were.
TEST(Stream, AKindWithoutAudioKeepsItsBaseband) {
    const std::vector<float> x = afsk_capture();
    FrontEndConfig cfg = forced_config();
    const Record all = run(cfg, x, 4096);
    cfg.profiles[0].audio = cfg.profiles[1].audio = false;
    const Record some = run(cfg, x, 4096);
    EXPECT_TRUE(some.audio[0].empty());
    EXPECT_TRUE(some.audio[1].empty());
    EXPECT_FALSE(all.audio[0].empty());
    EXPECT_EQ(some.audio[2], all.audio[2]);
    for (int k = 0; k < kKinds; k++) {
        EXPECT_GT(some.baseband[k], 0u) << k;
        EXPECT_EQ(some.baseband[k], all.baseband[k]) << k;
    }
}

// Every kind runs until a frame decodes; then only that kind, and the
// channel is confirmed.
TEST(Stream, AFrameNarrowsTheKinds) {
    const std::vector<float> x = afsk_capture();
    const FrontEndConfig cfg = forced_config();
    Record r;
    FrontEndSink sink;
    sink.ctx = &r;
    sink.audio = on_audio;
    sink.event = on_event;
    IqFrontEnd fe;
    ASSERT_TRUE(front_end_init(fe, cfg, sink));
    front_end_feed(fe, x.data(), 50000);
    for (int k = 0; k < kKinds; k++) EXPECT_FALSE(r.audio[k].empty()) << k;
    EXPECT_TRUE(front_end_frame(fe, 0, Kind::ostrel, 42));
    const std::size_t before[kKinds] = {r.audio[0].size(), r.audio[1].size(), r.audio[2].size()};
    front_end_feed(fe, x.data() + 100000, 50000);
    EXPECT_EQ(r.audio[0].size(), before[0]);
    EXPECT_EQ(r.audio[1].size(), before[1]);
    EXPECT_GT(r.audio[2].size(), before[2]);
    ASSERT_EQ(r.events.size(), 2u);
    EXPECT_EQ(r.events[1].type, EventType::confirmed);
    EXPECT_EQ(r.events[1].kind, static_cast<int>(Kind::ostrel));
    EXPECT_FALSE(front_end_frame(fe, 40, Kind::ostrel, 42));  // no such channel
}

}  // namespace

namespace {

// A channel given on noise alone (the sonde not yet on the air; the DC
// spike beside it) stays where it was given: the AFC holds while the
// channel holds no carrier.
TEST(Stream, AGivenChannelOnNoiseStaysPut) {
    iqtest::Capture cap;
    cap.noise_rms = 0.2;
    cap.dc_re = 0.03;
    cap.seed = 5;
    const std::vector<float> x = iqtest::make_capture(cap, 20 * 250000);
    FrontEndConfig cfg;
    cfg.search = false;
    cfg.forced_hz = {25000.0};
    FrontEndSink sink;
    IqFrontEnd fe;
    ASSERT_TRUE(front_end_init(fe, cfg, sink));
    double worst = 0.0;
    for (std::size_t at = 0; at < x.size() / 2; at += 25000) {
        front_end_feed(fe, x.data() + 2 * at, 25000);
        worst = std::max(worst, std::fabs(front_end_measure(fe, 0).offset_hz - 25000.0));
    }
    EXPECT_LT(worst, 100.0) << worst;
}

}  // namespace
