// sonderx end to end on the synthesizers' recordings: each kind's frames
// come out of that kind only, with the contents sent; a stream that holds
// the three kinds in turn through the simulated receiver gives every frame
// with its kind and none of a wrong one.
#include <gtest/gtest.h>

#include <cmath>

#include "ostrel/ostrel_synth.h"
#include "sonderx_recordings.h"
#include "vardo/vardo_synth.h"

namespace {

// Each good row is a sent frame of its kind; returns how many of the sent
// frames came out (each counted once).
int matched(const std::vector<Row>& rows, const std::vector<SentFrame>& sent) {
    std::vector<bool> seen(sent.size(), false);
    for (const Row& r : rows) {
        if (!r.ok) continue;
        bool found = false;
        for (std::size_t i = 0; i < sent.size(); i++) {
            if (sent[i].kind == r.kind && std::fabs(sent[i].lat - r.lat) < 2e-6 &&
                std::fabs(sent[i].lon - r.lon) < 2e-6) {
                found = true;
                seen[i] = true;
            }
        }
        EXPECT_TRUE(found) << "a good " << r.kind << " frame that was not sent: " << r.lat << " " << r.lon;
    }
    return static_cast<int>(std::count(seen.begin(), seen.end(), true));
}

// One vardo frame whose check fails: four bytes of its latitude inverted.
std::vector<double> spoiled_vardo_frame() {
    VardoFrameFields f;
    f.lat = vardo_lat_counts(1, 48.0);
    std::vector<uint8_t> spoiled = vardo_frame_bytes(f);
    for (int i = 20; i < 24; i++) spoiled[static_cast<std::size_t>(i)] ^= 0xFF;
    VardoTiming t;
    t.period_s = 0.3;
    return vardo_signal({spoiled}, t);
}

class EachKind : public ::testing::TestWithParam<std::string> {};

TEST_P(EachKind, GivesItsFramesWithTheirContentsAndNoOtherKind) {
    const Sent s = sent_frames(GetParam(), 4);
    const ProcessResult r = run_sonderx({"--csv"}, wav_image(s.audio, 48000));
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<Row> rows = csv_rows(r.out);
    EXPECT_EQ(rows.size(), 4u) << r.out;
    EXPECT_EQ(matched(rows, s.frames), 4);
    for (const Row& row : rows) {
        EXPECT_EQ(row.kind, GetParam());
        if (GetParam() == "vardo") {
            EXPECT_FALSE(row.serial.empty());
        }
        // ostrel sends a time of day (10:00:01Z), the others a date too.
        EXPECT_EQ(row.utc.size() == 9u, GetParam() == "ostrel") << row.utc;
    }
    // The summary names the kind's count.
    EXPECT_NE(r.err.find("  " + GetParam() + " "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(" 4 good (0 corrected)"), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Kinds, EachKind, ::testing::Values("vardo", "pelkin", "ostrel"),
                         [](const ::testing::TestParamInfo<std::string>& i) { return i.param; });

TEST(MixedStream, EveryFrameWithItsKindAndNoneOfAWrongKind) {
    // Levels 3 to 4 dB above each kind's --robust 90 % point (vardo 10,
    // pelkin 11, ostrel 16 dB), at three carrier offsets.
    std::vector<Stretch> st;
    const double offsets[] = {0.0, 1000.0, -1500.0};
    for (double off : offsets) {
        st.push_back({"vardo", 4, 14.0, off});
        st.push_back({"pelkin", 4, 15.0, off});
        st.push_back({"ostrel", 4, 20.0, off});
    }
    const Sent s = through_receiver(st, 31);
    const ProcessResult r = run_sonderx({"--csv", "--all"}, wav_image(s.audio, 48000));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<Row> rows = csv_rows(r.out);
    EXPECT_EQ(matched(rows, s.frames), static_cast<int>(s.frames.size())) << r.out;
}

TEST(MixedStream, AllMarksBadFramesAndPacketsWithoutPosition) {
    // A vardo frame whose check fails and an ostrel packet of another type
    // than GPS: only --all shows them, marked.
    std::vector<uint8_t> other{0x01, 0x04};
    for (int i = 0; i < 16; i++) other.push_back(static_cast<uint8_t>(0x30 + i));
    Sent s;
    s.audio = ostrel_recording(OstrelRecordingSpec{}, {ostrel_transmission(other, 3)});
    append_sent(s, sent_frames("vardo", 1));
    const std::vector<double> bad = spoiled_vardo_frame();
    s.audio.insert(s.audio.end(), bad.begin(), bad.end());
    const std::string wav = wav_image(s.audio, 48000);

    const std::vector<Row> good = csv_rows(run_sonderx({"--csv"}, wav).out);
    ASSERT_EQ(good.size(), 1u);
    EXPECT_TRUE(good[0].ok);
    // pelkin's receiver finds bad frames in vardo's signal: left out here.
    const std::string all_out = run_sonderx({"--csv", "--all"}, wav).out;
    std::vector<Row> all;
    for (const Row& row : csv_rows(all_out))
        if (row.kind != "pelkin") all.push_back(row);
    ASSERT_EQ(all.size(), 3u) << all_out;
    EXPECT_EQ(all[0].kind, "ostrel");
    EXPECT_EQ(all[0].note, "no position: packet type 4");
    EXPECT_TRUE(all[1].ok);
    EXPECT_EQ(all[2].kind, "vardo");
    EXPECT_FALSE(all[2].ok);
    EXPECT_EQ(all[2].note, "bad check");
    const std::string text = run_sonderx({"--all"}, wav).out;
    EXPECT_NE(text.find("BAD (check)"), std::string::npos) << text;
    EXPECT_NE(text.find("no position (packet type 4)"), std::string::npos) << text;
    // JSON: ok on every line, false for the packet without position.
    const std::string json = run_sonderx({"--json", "--all"}, wav).out;
    EXPECT_NE(json.find("{\"decoder\":\"ostrel\",\"ok\":false,\"packet_type\":4"), std::string::npos) << json;
}

TEST(MixedStream, AFailedVardoFrameFirstDoesNotMakeTheGoodOnesJumps) {
    // The first frame's check fails and its latitude is junk: the position
    // filter must not take it as its reference.
    Sent s;
    s.audio = spoiled_vardo_frame();
    append_sent(s, sent_frames("vardo", 3));
    const std::vector<Row> rows = csv_rows(run_sonderx({"--csv"}, wav_image(s.audio, 48000)).out);
    EXPECT_EQ(matched(rows, s.frames), 3);
}

}  // namespace
