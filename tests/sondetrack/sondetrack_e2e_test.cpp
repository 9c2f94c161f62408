// sondetrack as a program: GPX and KML from decoder lines, checked with an
// XML parser (xmllint), live rewriting behind a pipe, and its command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "support/run_program.h"
#include "xml_query.h"

namespace {

// A flight: ascent at 5 m/s from 500 m, burst at 30000 m, descent at
// 10 m/s down to 1000 m, drifting east; a frame every 10 s.
struct Flight {
    std::string lines;
    std::vector<double> alt;
    std::vector<std::string> time;
    double lat(std::size_t k) const { return 48.0 + 0.001 * static_cast<double>(k); }
    double lon(std::size_t k) const { return 11.0 + 0.002 * static_cast<double>(k); }
};

Flight make_flight() {
    Flight f;
    double a = 500.0;
    bool up = true;
    for (int k = 0; a >= 1000.0 || up; k++) {
        const int s = 10 * k;
        char t[32], line[256];
        std::snprintf(t, sizeof t, "2026-12-07T%02d:%02d:%02dZ", 10 + s / 3600, s / 60 % 60, s % 60);
        std::snprintf(line, sizeof line,
                      "{\"decoder\":\"vardo\",\"ok\":true,\"check_ok\":true,\"id\":\"312-A-10837\","
                      "\"datetime\":\"%s\",\"lat\":%.3f,\"lon\":%.3f,\"alt\":%.1f}\n",
                      t, f.lat(f.alt.size()), f.lon(f.alt.size()), a);
        f.lines += line;
        f.alt.push_back(a);
        f.time.push_back(t);
        if (up && a + 50.0 > 30000.0) up = false;
        a += up ? 50.0 : -100.0;
    }
    return f;
}

// A point's "lon,lat,alt" as numbers: the values the input line carried.
std::vector<double> coords(const Flight& f, std::size_t k) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.3f %.3f %.1f", f.lon(k), f.lat(k), f.alt[k]);
    std::vector<double> v(3);
    std::sscanf(buf, "%lf %lf %lf", &v[0], &v[1], &v[2]);
    return v;
}

std::vector<double> parse_coords(const std::string& s) {
    std::vector<double> v(3, -1e9);
    if (std::sscanf(s.c_str(), "%lf,%lf,%lf", &v[0], &v[1], &v[2]) != 3) v.clear();
    return v;
}

}  // namespace

TEST(Sondetrack, GpxHoldsTheGoodPointsOfEveryDecoder) {
    if (!have_xmllint()) GTEST_SKIP() << "xmllint (libxml2-utils) not installed";
    const std::string input =
        "{\"decoder\":\"vardo\",\"ok\":true,\"id\":\"A&B<1>\",\"datetime\":\"2024-02-07T23:59:43Z\","
        "\"lat\":48.1372,\"lon\":11.5755,\"alt\":2505}\n"
        "\n"
        "{\"decoder\":\"vardo\",\"ok\":false,\"id\":\"A&B<1>\",\"lat\":48.2,\"lon\":11.6,\"alt\":2600}\n"
        "{\"decoder\":\"pelkin\",\"ok\":true,\"datetime\":\"2026-12-06T12:34:56.789Z\",\"lat\":-34.6,"
        "\"lon\":-58.4,\"alt\":1234.56,\"sats\":7,\"fix\":3}\n"
        "not a frame\n"
        "{\"decoder\":\"ostrel\",\"ok\":true,\"time\":\"12:00:00\",\"lat\":48.1,\"lon\":11.5,\"alt\":1000}\n"
        "{\"decoder\":\"ostrel\",\"packet_type\":3,\"raw\":\"0103\"}\n"
        "{\"decoder\":\"vardo\",\"ok\":true,\"id\":\"A&B<1>\",\"lat\":48.1373}\n"
        "{\"decoder\":\"vardo\",\"ok\":true,\"id\":\"A&B<1>\",\"datetime\":\"2024-02-07T23:59:44Z\","
        "\"lat\":48.1373,\"lon\":11.5756,\"alt\":2510.5}";  // the last line has no newline
    TempDir dir;
    const std::string gpx = dir.file("t.gpx");
    ProcessResult r = run_program(SONDETRACK_EXE, {"-o", gpx}, input);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "sondetrack: skipped 2 lines that were not JSON or had no lat, lon and alt\n");
    ASSERT_TRUE(well_formed(gpx));
    EXPECT_EQ(xpath(gpx, "count(//" + el("trk") + ")"), "3");
    EXPECT_EQ(xpath(gpx, "string(//" + el("trk") + "[1]/" + el("name") + ")"), "A&B<1>");
    EXPECT_EQ(xpath(gpx, "count(//" + el("trk") + "[1]//" + el("trkpt") + ")"), "2");
    EXPECT_EQ(xpath(gpx, "string(//" + el("trk") + "[1]//" + el("trkpt") + "[2]/@lat)"), "48.1373");
    EXPECT_EQ(xpath(gpx, "string(//" + el("trk") + "[1]//" + el("trkpt") + "[2]/" + el("ele") + ")"), "2510.5");
    EXPECT_EQ(xpath(gpx, "string(//" + el("trk") + "[2]//" + el("time") + ")"), "2026-12-06T12:34:56.789Z");
    EXPECT_EQ(xpath(gpx, "string(//" + el("trk") + "[2]//" + el("trkpt") + "/@lon)"), "-58.4");
    // ostrel's packet has a time of day only: no <time> without --date.
    EXPECT_EQ(xpath(gpx, "string(//" + el("trk") + "[3]/" + el("name") + ")"), "ostrel");
    EXPECT_EQ(xpath(gpx, "count(//" + el("trk") + "[3]//" + el("time") + ")"), "0");

    r = run_program(SONDETRACK_EXE, {"--date", "2026-12-07", "-o", gpx}, input);
    EXPECT_EQ(xpath(gpx, "string(//" + el("trk") + "[3]//" + el("time") + ")"), "2026-12-07T12:00:00Z");
}

TEST(Sondetrack, KmlShowsTheFlightWithBurstAndLanding) {
    if (!have_xmllint()) GTEST_SKIP() << "xmllint (libxml2-utils) not installed";
    const Flight f = make_flight();
    TempDir dir;
    const std::string kml = dir.file("flight.kml");
    const ProcessResult r = run_program(SONDETRACK_EXE, {"--kml", "-o", kml}, f.lines);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    ASSERT_TRUE(well_formed(kml));
    const std::size_t n = f.alt.size();
    std::size_t top = 0;
    for (std::size_t k = 0; k < n; k++)
        if (f.alt[k] > f.alt[top]) top = k;
    ASSERT_EQ(f.alt[top], 30000.0);

    const std::string line = "//" + el("LineString");
    EXPECT_EQ(xpath(kml, "string(" + line + "/" + el("altitudeMode") + ")"), "absolute");
    EXPECT_EQ(xpath(kml, "string(" + line + "/" + el("extrude") + ")"), "1");
    const std::string all = xpath(kml, "string(" + line + "/" + el("coordinates") + ")");
    EXPECT_EQ(static_cast<std::size_t>(std::count(all.begin(), all.end(), ' ')) + 1, n);
    EXPECT_EQ(parse_coords(all.substr(0, all.find(' '))), coords(f, 0));
    EXPECT_EQ(parse_coords(all.substr(all.rfind(' ') + 1)), coords(f, n - 1));

    const auto mark = [&](const std::string& what, const std::string& sub) {
        return xpath(
            kml, "string(//" + el("Placemark") + "[" + el("name") + "='312-A-10837 " + what + "']//" + el(sub) + ")");
    };
    EXPECT_EQ(parse_coords(mark("first fix", "coordinates")), coords(f, 0));
    EXPECT_EQ(parse_coords(mark("burst", "coordinates")), coords(f, top));
    EXPECT_EQ(mark("burst", "when"), f.time[top]);
    EXPECT_EQ(parse_coords(mark("last fix", "coordinates")), coords(f, n - 1));
    EXPECT_EQ(mark("last fix", "when"), f.time[n - 1]);
}

TEST(Sondetrack, LiveFileFollowsAStream) {
    if (!have_xmllint()) GTEST_SKIP() << "xmllint (libxml2-utils) not installed";
    TempDir dir;
    const std::string out = dir.file("live.gpx");
    const std::string cmd = shell_command(SONDETRACK_EXE) + " -o " + out + " --live";
    std::signal(SIGPIPE, SIG_IGN);
    FILE* to = popen(cmd.c_str(), "w");
    ASSERT_NE(to, nullptr);
    const auto points_after = [&](int want) {
        // Waits (at most 20 s) until the file holds the wanted number of points.
        std::string got;
        for (int i = 0; i < 2000; i++) {
            if (file_exists(out) && well_formed(out)) {
                got = xpath(out, "count(//" + el("trkpt") + ")");
                if (got == std::to_string(want)) break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return got;
    };
    EXPECT_EQ(points_after(0), "0");  // an empty track file before the first point
    for (int k = 1; k <= 3; k++) {
        std::fprintf(to, "{\"decoder\":\"pelkin\",\"ok\":true,\"lat\":1.%d,\"lon\":2,\"alt\":%d}\n", k, 100 * k);
        std::fflush(to);
        EXPECT_EQ(points_after(k), std::to_string(k));  // while the stream stays open
    }
    EXPECT_EQ(pclose(to), 0);
    EXPECT_EQ(xpath(out, "string(//" + el("trkpt") + "[3]/" + el("ele") + ")"), "300");
    // Only the file itself is left: no temporary files beside it.
    EXPECT_EQ(run_program("/bin/ls", {dir.path}).out, "live.gpx\n");
}

TEST(Sondetrack, CommandLine) {
    ProcessResult r = run_program(SONDETRACK_EXE, {"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("sondetrack ") + PROJECT_VERSION + "\n");
    r = run_program(SONDETRACK_EXE, {"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--live"), std::string::npos);
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--bogus"}, {"--live"}, {"--date", "2026-02-30"}, {"--date"}, {"-o"}}) {
        r = run_program(SONDETRACK_EXE, bad, "");
        EXPECT_EQ(r.status, 2) << bad[0];
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("sondetrack: ", 0), 0u);
    }
    // A missing input is reported; the others still make the document.
    TempDir dir;
    r = run_program(SONDETRACK_EXE, {dir.file("none.jsonl"), "-"}, "{\"ok\":true,\"lat\":1,\"lon\":2,\"alt\":3}\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot open " + dir.file("none.jsonl")), std::string::npos);
    EXPECT_NE(r.out.find("<trkpt lat=\"1\" lon=\"2\"><ele>3</ele></trkpt>"), std::string::npos);
    // An output file in a directory that does not exist.
    r = run_program(SONDETRACK_EXE, {"-o", dir.file("no/such.gpx")}, "");
    EXPECT_EQ(r.status, 1);
}

TEST(Sondetrack, KmlTrackPerInputWithBurstOnlyAfterAFall) {
    if (!have_xmllint()) GTEST_SKIP() << "xmllint (libxml2-utils) not installed";
    TempDir dir;
    const std::string pelkin = R"({"decoder":"pelkin","ok":true,"lat":48,"lon":11,"alt":)";
    const std::pair<const char*, std::string> files[] = {
        {"a.json", pelkin + "1000}\n" + pelkin + "1200}\n" + pelkin + "1050}\n" +
                       R"({"decoder":"ostrel","ok":false,"packet_type":3,"raw":"0103","offset_hz":-25000})"},
        {"b.json", pelkin + "800}\n" + pelkin + "800}\n"}};
    for (const auto& [name, text] : files) {
        FILE* f = std::fopen(dir.file(name).c_str(), "w");
        std::fputs(text.c_str(), f);
        std::fclose(f);
    }
    const ProcessResult r = run_program(SONDETRACK_EXE, {"--kml", "-o", "t.kml", "a.json", "b.json"}, "", dir.path);
    EXPECT_EQ(r.err, "");  // the packet without position is no bad line
    const std::string kml = dir.file("t.kml");
    const auto marks = [&](const std::string& name) {
        return xpath(kml, "count(//" + el("Placemark") + "[" + el("name") + "='" + name + "'])");
    };
    EXPECT_EQ(marks("pelkin (a.json) burst"), "1");                                      // up 200 m, down 150 m
    EXPECT_EQ(marks("pelkin (b.json) burst") + marks("pelkin (b.json) highest"), "00");  // level
}
