// A whole flight through the toolkit: vardo-synth makes a recording that
// climbs, bursts and falls, vardo --json decodes it, sondetrack --kml draws
// it. The placemarks must sit where the recording put the sonde.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "xml_query.h"

namespace {

std::string placemark(const std::string& kml, const std::string& name, const std::string& child) {
    return xpath(kml, "string(//" + el("Placemark") + "[" + el("name") + "='" + name + "']//" + el(child) + ")");
}

struct Point {
    double lon = 0, lat = 0, alt = -1;
};

Point parse_point(const std::string& s) {
    Point p;
    std::sscanf(s.c_str(), "%lf,%lf,%lf", &p.lon, &p.lat, &p.alt);
    return p;
}

}  // namespace

TEST(FlightPipeline, VardoJsonToKmlShowsClimbBurstAndFall) {
    if (!have_xmllint()) GTEST_SKIP() << "xmllint (libxml2-utils) not installed";
    TempDir dir;
    const std::string wav = dir.file("flight.wav");
    // Frame k at 0.25 k s: 1000 m + 100 m/s up to the burst at 1500 m (k = 20),
    // then down at 100 m/s: 1225 m at k = 31. Position 52.5 + 0.001 k, 13.4 + 0.002 k.
    const ProcessResult synth =
        run_program(VARDO_SYNTH_EXE,
                    {"--frames",  "32",  "--period", "0.25",  "--alt",  "1000",  "--vu",   "100", "--burst-alt", "1500",
                     "--descent", "100", "--dlat",   "0.001", "--dlon", "0.002", "--bits", "8",   "-o",          wav});
    ASSERT_EQ(synth.status, 0) << synth.err;
    const ProcessResult json = run_program(VARDO_EXE, {"--json", wav});
    ASSERT_EQ(json.status, 0);
    const std::string kml = dir.file("flight.kml");
    const ProcessResult track = run_program(SONDETRACK_EXE, {"--kml", "-o", kml}, json.out);
    ASSERT_EQ(track.status, 0);
    EXPECT_EQ(track.err, "");  // every line of vardo --json reads
    ASSERT_EQ(run_program(kXmllint, {"--noout", kml}).status, 0);

    // The first capture is short and fails its check: the first fix is frame 1.
    const Point first = parse_point(placemark(kml, "312-A-10837 first fix", "coordinates"));
    EXPECT_NEAR(first.lat, 52.501, 1e-6);
    EXPECT_NEAR(first.lon, 13.402, 1e-6);
    EXPECT_NEAR(first.alt, 1025.0, 1e-3);
    const Point burst = parse_point(placemark(kml, "312-A-10837 burst", "coordinates"));
    EXPECT_NEAR(burst.lat, 52.520, 1e-6);
    EXPECT_NEAR(burst.lon, 13.440, 1e-6);
    EXPECT_NEAR(burst.alt, 1500.0, 1e-3);
    const Point last = parse_point(placemark(kml, "312-A-10837 last fix", "coordinates"));
    EXPECT_NEAR(last.lat, 52.531, 1e-6);
    EXPECT_NEAR(last.lon, 13.462, 1e-6);
    EXPECT_NEAR(last.alt, 1225.0, 1e-3);
    // GPS week 2300, 345600 s + 7.75 s, less 18 leap seconds: 2024-02-07 23:59:49 UTC.
    EXPECT_EQ(placemark(kml, "312-A-10837 last fix", "when"), "2024-02-07T23:59:49Z");
    const std::string coords = xpath(kml, "string(//*[local-name()='LineString']/*[local-name()='coordinates'])");
    EXPECT_EQ(std::count(coords.begin(), coords.end(), ' ') + 1, 31);  // frames 1 to 31
}
