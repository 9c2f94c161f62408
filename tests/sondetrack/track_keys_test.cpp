// Which track a line joins: kind and serial, carrier within 5 kHz (drift
// followed), else kind and input; and where a KML track shows its burst.
#include <gtest/gtest.h>

#include "sondetrack/track_documents.h"
#include "sondetrack/tracker.h"

using namespace sondetrack;

namespace {

struct KeyCase {
    const char* input;
    const char* keys;  // the line's keys besides ok and position
    std::size_t track;
    const char* name;
};

// Read in this order by one tracker over several inputs.
const KeyCase kKeys[] = {
    {"a.json", R"("decoder":"vardo","id":"S1")", 0, "S1"},
    {"a.json", R"("decoder":"vardo","id":"S2")", 1, "S2"},
    {"b.json", R"("decoder":"vardo","id":"S1","freq_hz":405e6)", 0, "S1"},  // a serial is never per input
    {"a.json", R"("decoder":"pelkin","freq_hz":403000000)", 2, "pelkin 403.000 MHz"},
    {"b.json", R"("decoder":"pelkin","freq_hz":403003000)", 2, "pelkin 403.000 MHz"},  // 3 kHz
    {"a.json", R"("decoder":"pelkin","freq_hz":403020000)", 3, "pelkin 403.020 MHz"},  // 20 kHz
    {"a.json", R"("decoder":"pelkin","freq_hz":403007500)", 2, "pelkin 403.000 MHz"},  // 4.5 kHz from the latest
    {"a.json", R"("decoder":"ostrel","freq_hz":403000000)", 4, "ostrel 403.000 MHz"},  // another kind
    {"a.json", R"("decoder":"ostrel","offset_hz":25000,"level_dbfs":-30)", 5, "ostrel +25.0 kHz"},
    {"a.json", R"("decoder":"ostrel","offset_hz":-25000)", 6, "ostrel -25.0 kHz"},
    {"a.json", R"("decoder":"ostrel","offset_hz":20000)", 5, "ostrel +25.0 kHz"},
    {"a.json", R"("decoder":"pelkin")", 7, "pelkin (a.json)"},
    {"b.json", R"("decoder":"pelkin")", 8, "pelkin (b.json)"},
    {"a.json", R"("decoder":"pelkin","freq_hz":"403e6")", 7, "pelkin (a.json)"},  // no number: no carrier
};

Track track_of(std::initializer_list<double> alts) {
    Track t;
    for (double a : alts) t.points.push_back(Fix{48.0, 11.0, a, ""});
    return t;
}

}  // namespace

TEST(TrackKeys, KindSerialCarrierAndInput) {
    Tracker t;
    t.name_inputs = true;
    for (std::size_t row = 0; row < std::size(kKeys); row++) {
        const KeyCase& c = kKeys[row];
        const std::string line =
            std::string(R"({"ok":true,)") + c.keys + R"(,"lat":48,"lon":11,"alt":)" + std::to_string(row) + "}";
        ASSERT_TRUE(tracker_line(t, line, c.input)) << line;
        ASSERT_LT(c.track, t.set.tracks.size()) << line;
        EXPECT_EQ(t.set.tracks[c.track].name, c.name) << line;
        EXPECT_EQ(t.set.tracks[c.track].points.back().alt, static_cast<double>(row)) << line;
    }
    EXPECT_EQ(t.set.tracks.size(), 9u);
}

TEST(TrackKeys, SonderxLinesRead) {
    LineFix f = read_json_line(R"({"decoder":"vardo","ok":true,"id":"S1","snr_db":12.5,"offset_hz":-1200.5,)"
                               R"("freq_hz":402998799.5,"level_dbfs":-41,"lat":1,"lon":2,"alt":3})");
    EXPECT_EQ(f.kind, LineKind::fix);
    EXPECT_TRUE(f.has_serial);
    EXPECT_EQ(f.carrier, CarrierKey::frequency);
    EXPECT_EQ(f.carrier_hz, 402998799.5);
    f = read_json_line(R"({"decoder":"ostrel","ok":false,"packet_type":3,"raw":"0103","offset_hz":0})");
    EXPECT_EQ(f.kind, LineKind::ignored);
}

TEST(Summit, BurstOnlyAfterARiseAndAFallOf100m) {
    struct {
        Track track;
        SummitKind kind;
        std::size_t index;
    } const cases[] = {
        {track_of({1000}), SummitKind::none, 0},
        {track_of({1000, 1000, 1000}), SummitKind::none, 0},  // level
        {track_of({1000, 800, 500}), SummitKind::none, 0},    // seen falling only
        {track_of({1000, 1100, 1200}), SummitKind::highest, 2},
        {track_of({1000, 1200, 1150}), SummitKind::highest, 1},        // 50 m down
        {track_of({1000, 1200, 1101, 1150}), SummitKind::highest, 1},  // 99 m down
        {track_of({1000, 1200, 1100}), SummitKind::burst, 1},
        {track_of({1000, 1200, 1050, 900}), SummitKind::burst, 1},  // 150 m down
    };
    for (const auto& c : cases) {
        const Summit s = summit(c.track);
        EXPECT_EQ(s.kind, c.kind) << c.track.points.size() << " points";
        if (c.kind != SummitKind::none) {
            EXPECT_EQ(s.index, c.index);
        }
    }
}
