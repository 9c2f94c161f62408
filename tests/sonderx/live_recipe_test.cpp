// The README's live recipe as written,
//   rtl_sdr ... - | sonderx --iq u8 --rate 2048000 --center 403.0M --json |
//       sondetrack --kml -o live.kml --live
// with the SDR replaced by a capture written into the pipe at real-time
// pace: the map must show the sonde while samples still flow (no stage may
// hold its output until the input ends) and every fix at the end.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "sonderx_recordings.h"

namespace {

constexpr int kRate = 2048000;

struct Point {
    double lon = 0, lat = 0;
};

// The flight line's points (lon,lat,alt separated by spaces) of the first
// track in a KML document; none before the first fix or in half a file.
std::vector<Point> flight_line(const std::string& kml) {
    std::vector<Point> pts;
    const std::size_t line = kml.find("<LineString>");
    if (line == std::string::npos) return pts;
    const std::size_t b = kml.find("<coordinates>", line), e = kml.find("</coordinates>", line);
    if (b == std::string::npos || e == std::string::npos || e < b) return pts;
    const std::string text = kml.substr(b + 13, e - b - 13);
    std::size_t i = 0;
    while (i < text.size()) {
        Point p;
        double alt = 0;
        int used = 0;
        if (std::sscanf(text.c_str() + i, " %lf,%lf,%lf%n", &p.lon, &p.lat, &alt, &used) != 3) break;
        pts.push_back(p);
        i += static_cast<std::size_t>(used);
    }
    return pts;
}

// The points are sent positions, in the order sent.
::testing::AssertionResult in_sent_order(const std::vector<Point>& pts, const std::vector<SentFrame>& sent) {
    std::size_t next = 0;
    for (const Point& p : pts) {
        while (next < sent.size() &&
               (std::fabs(sent[next].lat - p.lat) > 1e-5 || std::fabs(sent[next].lon - p.lon) > 1e-5))
            next++;
        if (next == sent.size())
            return ::testing::AssertionFailure() << "point " << p.lat << "," << p.lon << " not sent, or out of order";
        next++;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(LiveRecipe, TheMapShowsTheSondeWhileSamplesFlowAndEveryFixAtTheEnd) {
    TempDir dir;
    const Sent sent = sent_frames("vardo", 16);  // 4.8 s
    write_bytes(dir.file("clean.wav"), wav_image(sent.audio, 48000));
    const ProcessResult made = run_program(
        RXCHAIN_EXE, {"--profile", "vardo", "--ebn0", "25", "--offset", "-310k", "--iq-out", "u8", "--iq-rate",
                      "2048000", "--seed", "5", "-o", dir.file("capture"), dir.file("clean.wav")});
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string capture = read_file(dir.file("capture"));
    ASSERT_GT(capture.size(), 4u * kRate);

    const std::string kml = dir.file("live.kml");
    const std::string recipe = shell_command(SONDERX_EXE) + " --iq u8 --rate 2048000 --center 403.0M --json | " +
                               shell_command(SONDETRACK_EXE) + " --kml -o '" + kml + "' --live";
    std::signal(SIGPIPE, SIG_IGN);
    std::FILE* sdr = popen(recipe.c_str(), "w");
    ASSERT_NE(sdr, nullptr);

    // 50 ms of samples at a time, on the clock. Once three quarters are
    // out, the input stays open until the map shows a fix (on a loaded
    // machine the pipeline may lag the clock), 30 s at most.
    using clock = std::chrono::steady_clock;
    const std::size_t chunk = 2 * kRate / 20;
    const clock::time_point start = clock::now();
    std::size_t written = 0, written_when_seen = 0;
    bool held = false;
    std::vector<Point> seen;
    for (int k = 0; written < capture.size(); k++) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(50 * k));
        const std::size_t n = std::min(chunk, capture.size() - written);
        ASSERT_EQ(std::fwrite(capture.data() + written, 1, n, sdr), n);
        std::fflush(sdr);
        written += n;
        if (seen.empty()) {
            seen = flight_line(read_file(kml));
            written_when_seen = written;
        }
        if (seen.empty() && !held && 4 * written >= 3 * capture.size()) {
            held = true;
            for (int wait = 0; seen.empty() && wait < 600; wait++) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                seen = flight_line(read_file(kml));
            }
        }
    }
    ASSERT_EQ(pclose(sdr), 0);

    ASSERT_FALSE(seen.empty()) << "no fix on the map while the samples flowed";
    EXPECT_LT(written_when_seen, capture.size());
    EXPECT_TRUE(in_sent_order(seen, sent.frames));
    const std::vector<Point> all = flight_line(read_file(kml));
    EXPECT_GT(all.size(), seen.size());
    EXPECT_GE(all.size(), sent.frames.size() - 2);  // the search may take the first frame or two
    EXPECT_TRUE(in_sent_order(all, sent.frames));
}
