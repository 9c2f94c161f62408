// The carrier finder and the channel table on synthetic captures: sondes
// found wherever they are, what is no sonde left alone, and the table's
// decisions over time.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "iq/iq_front_end.h"
#include "iq_signals.h"

namespace {

using namespace sonde::iq;

struct Opened {
    std::vector<ChannelEvent> events;
};

void on_event(void* ctx, const ChannelEvent& e) { static_cast<Opened*>(ctx)->events.push_back(e); }

struct SearchCase {
    const char* name;
    double rate;
    std::vector<iqtest::Carrier> carriers;
    double dc;                    // DC offset, each of I and Q
    double image_gain;            // I/Q image amplitude
    std::vector<double> want_hz;  // channels opened, in any order
    double marked_hz = 0.0;       // a carrier found but marked no sonde (0: none)
};

class Search : public testing::TestWithParam<SearchCase> {};

// One second of capture: the channels opened are the sondes', each within
// 1 kHz of its carrier.
TEST_P(Search, OpensTheSondesOnly) {
    const SearchCase& sc = GetParam();
    iqtest::Capture cap;
    cap.rate = sc.rate;
    cap.carriers = sc.carriers;
    cap.noise_rms = 0.05;
    cap.dc_re = cap.dc_im = sc.dc;
    cap.image_gain = sc.image_gain;
    const std::vector<float> x = iqtest::make_capture(cap, static_cast<int64_t>(1.0 * sc.rate));
    FrontEndConfig cfg;
    cfg.rate = sc.rate;
    Opened got;
    FrontEndSink sink;
    sink.ctx = &got;
    sink.event = on_event;
    IqFrontEnd fe;
    ASSERT_TRUE(front_end_init(fe, cfg, sink));
    front_end_feed(fe, x.data(), x.size() / 2);
    ASSERT_EQ(got.events.size(), sc.want_hz.size());
    for (double want : sc.want_hz) {
        bool found = false;
        for (const ChannelEvent& e : got.events)
            found = found || (e.type == EventType::opened && std::fabs(e.offset_hz - want) < 1000.0);
        EXPECT_TRUE(found) << want;
    }
    if (sc.marked_hz != 0.0) {
        bool marked = false;
        for (int k = 0; k < fe.finder.count; k++) {
            const FoundCarrier& f = fe.finder.found[k];
            marked = marked || (std::fabs(f.offset_hz - sc.marked_hz) < 1000.0 && (f.narrow || f.image));
        }
        EXPECT_TRUE(marked) << "the finder saw no carrier to reject at " << sc.marked_hz;
    }
}

// A sonde-like carrier: NRZ at 4800 bit/s, +-2400 Hz.
iqtest::Carrier sonde(double hz, double amp, uint32_t seed) { return {hz, amp, iqtest::nrz(2400.0, 4800.0, seed)}; }
// A wider one: 9600 bit/s.
iqtest::Carrier wide(double hz, double amp, uint32_t seed) { return {hz, amp, iqtest::nrz(2400.0, 9600.0, seed)}; }

INSTANTIATE_TEST_SUITE_P(
    Captures, Search,
    testing::Values(SearchCase{"far_offset_250k", 250000.0, {sonde(93000.0, 0.02, 1)}, 0.0, 0.0, {93000.0}},
                    SearchCase{"far_negative_1024k", 1024000.0, {sonde(-478000.0, 0.02, 2)}, 0.0, 0.0, {-478000.0}},
                    SearchCase{"beyond_the_edge", 250000.0, {sonde(112000.0, 0.05, 3)}, 0.0, 0.0, {}},
                    // A DC spike 20 dB above the sonde and a steady carrier 10 dB above it.
                    SearchCase{"dc_and_steady_carrier",
                               250000.0,
                               {sonde(-40000.0, 0.02, 4), {55000.0, 0.06, nullptr}},
                               0.14,
                               0.0,
                               {-40000.0},
                               55000.0},
                    // The image of a strong sonde, 40 dB down, well above the noise.
                    SearchCase{
                        "image_not_a_sonde", 1024000.0, {sonde(230000.0, 0.5, 5)}, 0.0, 0.01, {230000.0}, -230000.0},
                    SearchCase{"two_sondes_20k_apart",
                               250000.0,
                               {sonde(30000.0, 0.02, 6), sonde(50000.0, 0.03, 7)},
                               0.0,
                               0.0,
                               {30000.0, 50000.0}},
                    // Near its threshold, 20 kHz beside a wider one 15 dB stronger.
                    SearchCase{"weak_beside_strong_20k",
                               250000.0,
                               {wide(30000.0, 0.02, 8), wide(50000.0, 0.112, 9)},
                               0.0,
                               0.0,
                               {30000.0, 50000.0}}),
    [](const testing::TestParamInfo<SearchCase>& i) { return std::string(i.param.name); });

// Noise alone, with a DC spike, opens nothing: the threshold is far above
// what averaged noise reaches.
TEST(Search, NoiseAloneOpensNothing) {
    for (uint64_t seed = 1; seed <= 3; seed++) {
        iqtest::Capture cap;
        cap.rate = 250000.0;
        cap.noise_rms = 0.2;
        cap.dc_re = 0.02;
        cap.seed = seed;
        const std::vector<float> x = iqtest::make_capture(cap, 500000);
        FrontEndConfig cfg;
        Opened got;
        FrontEndSink sink;
        sink.ctx = &got;
        sink.event = on_event;
        IqFrontEnd fe;
        ASSERT_TRUE(front_end_init(fe, cfg, sink));
        front_end_feed(fe, x.data(), x.size() / 2);
        EXPECT_TRUE(got.events.empty()) << seed;
        // The noise floor: 0.2^2 over 250 kHz.
        EXPECT_NEAR(10.0 * std::log10(finder_noise_at(fe.finder, fe.spectrum, 70000.0)),
                    10.0 * std::log10(0.04 / 250000.0), 0.3);
    }
}

// The table's life cycle, step by step at 1000 samples per second.
TEST(ChannelTable, LifeCycle) {
    ChannelTable t;
    TableConfig cfg;
    cfg.max_channels = 3;
    table_init(t, cfg, 1000.0);
    struct Step {
        const char* what;
        uint64_t now;
        double hz;
        int want_slot;  // table_place's answer
    };
    const Step steps[] = {
        {"first carrier", 0, 10000.0, 0},    {"same carrier again", 100, 14000.0, -1},
        {"second carrier", 200, 40000.0, 1}, {"third", 300, -60000.0, 2},
        {"no room", 400, 90000.0, -1},
    };
    for (const Step& s : steps) {
        const int i = table_place(t, s.hz, s.now);
        EXPECT_EQ(i, s.want_slot) << s.what;
        if (i >= 0) table_open(t, i, s.hz, kAllKinds, false, s.now);
    }
    EXPECT_EQ(t.slot[1].id, 2u);
    // A frame confirms slot 1 as pelkin and is reported.
    EXPECT_TRUE(table_frame(t, 1, Kind::pelkin, 77, 5000));
    EXPECT_EQ(t.slot[1].state, ChannelState::confirmed);
    EXPECT_EQ(t.slot[1].kinds, kind_bit(Kind::pelkin));
    // 30 s without a frame: slot 0 first (opened at 0), then 2, then 1.
    EXPECT_EQ(table_due(t, 29000), -1);
    EXPECT_EQ(table_due(t, 30001), 0);
    table_close(t, 0, 30001);
    EXPECT_EQ(table_due(t, 30301), 2);
    table_close(t, 2, 30301);
    EXPECT_EQ(table_due(t, 30301), -1);
    EXPECT_EQ(table_due(t, 35001), 1);
    // A carrier that never gave a frame is not opened again for retry_s...
    EXPECT_EQ(table_place(t, 10500.0, 40000), -1);
    // ...but after that it is.
    EXPECT_EQ(table_place(t, 10500.0, 30001 + 60001), 0);
    // A carrier that gave frames may come back at once.
    table_close(t, 1, 35001);
    EXPECT_EQ(table_place(t, 40000.0, 35002), 0);
}

// Reports: once per frame, from the strongest carrier.
TEST(ChannelTable, ImagesAndDuplicatesAreNotReported) {
    ChannelTable t;
    table_init(t, TableConfig{}, 1000.0);
    table_open(t, 0, 200000.0, kAllKinds, false, 0);
    table_open(t, 1, -200500.0, kAllKinds, false, 0);  // mirrored, 35 dB down
    table_open(t, 2, 90000.0, kAllKinds, false, 0);
    table_open(t, 3, -90000.0, kAllKinds, false, 0);  // mirrored, as strong
    t.slot[0].level_dbfs = -20.0;
    t.slot[1].level_dbfs = -55.0;
    t.slot[2].level_dbfs = -40.0;
    t.slot[3].level_dbfs = -41.0;
    EXPECT_TRUE(table_frame(t, 0, Kind::vardo, 1001, 1000));
    EXPECT_FALSE(table_frame(t, 1, Kind::vardo, 1001, 1000));  // the image
    EXPECT_FALSE(table_frame(t, 1, Kind::vardo, 0, 2000));     // the image, sonde unknown
    EXPECT_TRUE(table_frame(t, 2, Kind::vardo, 2002, 2000));
    EXPECT_TRUE(table_frame(t, 3, Kind::vardo, 3003, 2000));   // a sonde of its own
    EXPECT_FALSE(table_frame(t, 3, Kind::vardo, 2002, 3000));  // the same sonde twice
    EXPECT_TRUE(table_frame(t, 3, Kind::vardo, 2002, 30000));  // long after
}

}  // namespace
