// Which track a line joins: kind and serial, carrier within 5 kHz (drift
// followed), else kind and input; and where a KML track shows its burst.
#include <gtest/gtest.h>

#include "sondetrack/track_documents.h"
#include "sondetrack/tracker.h"

using namespace sondetrack;

TEST(TrackKeys, KindSerialCarrierAndInput) {
    const struct {
        const char* input;
        const char* keys;  // besides ok and position
        std::size_t track;
        const char* name;
    } rows[] = {
        {"a.json", R"("decoder":"vardo","id":"S1")", 0, "S1"},
        {"a.json", R"("decoder":"vardo","id":"S2")", 1, "S2"},
        {"b.json", R"("decoder":"vardo","id":"S1","freq_hz":405e6)", 0, "S1"},
        {"a.json", R"("decoder":"pelkin","freq_hz":403000000,"snr_db":9,"level_dbfs":-40)", 2, "pelkin 403.000 MHz"},
        {"b.json", R"("decoder":"pelkin","freq_hz":403003000)", 2, "pelkin 403.000 MHz"},
        {"a.json", R"("decoder":"pelkin","freq_hz":403020000)", 3, "pelkin 403.020 MHz"},
        {"a.json", R"("decoder":"pelkin","freq_hz":403007500)", 2, "pelkin 403.000 MHz"},  // 4.5 kHz from the latest
        {"a.json", R"("decoder":"ostrel","offset_hz":25000)", 4, "ostrel +25.0 kHz"},
        {"a.json", R"("decoder":"pelkin")", 5, "pelkin (a.json)"},
        {"b.json", R"("decoder":"pelkin")", 6, "pelkin (b.json)"},
    };
    Tracker t;
    t.name_inputs = true;
    for (std::size_t row = 0; row < std::size(rows); row++) {
        const std::string line =
            std::string(R"({"ok":true,)") + rows[row].keys + R"(,"lat":48,"lon":11,"alt":)" + std::to_string(row) + "}";
        ASSERT_TRUE(tracker_line(t, line, rows[row].input)) << line;
        ASSERT_LT(rows[row].track, t.set.tracks.size()) << line;
        EXPECT_EQ(t.set.tracks[rows[row].track].name, rows[row].name) << line;
        EXPECT_EQ(t.set.tracks[rows[row].track].points.back().alt, static_cast<double>(row)) << line;
    }
    EXPECT_EQ(t.set.tracks.size(), 7u);
}

TEST(Summit, BurstOnlyAfterARiseAndAFallOf100m) {
    const struct {
        std::vector<double> alt;
        SummitKind kind;
        std::size_t top;
    } cases[] = {
        {{1000, 1000, 1000}, SummitKind::none, 0},           // level
        {{1000, 800, 500}, SummitKind::none, 0},             // seen falling only
        {{1000, 1100, 1200}, SummitKind::highest, 2},        // rising only
        {{1000, 1200, 1150}, SummitKind::highest, 1},        // 50 m down
        {{1000, 1200, 1050, 1300}, SummitKind::highest, 3},  // the fall was not from the top
        {{1000, 1200, 1100}, SummitKind::burst, 1},          // 100 m down (150 m: the e2e test)
    };
    for (const auto& c : cases) {
        Track t;
        for (double a : c.alt) t.points.push_back(Fix{48.0, 11.0, a, ""});
        const Summit s = summit(t);
        EXPECT_EQ(s.kind, c.kind) << c.alt.back();
        if (c.kind != SummitKind::none) {
            EXPECT_EQ(s.index, c.top) << c.alt.back();
        }
    }
}
