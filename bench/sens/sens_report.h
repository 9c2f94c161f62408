// The sensitivity benchmark's summary: per program set, decoding mode,
// receiver chain and offset, the lowest Eb/N0 from which on at least 90 % of
// frames decode, beside the reference line; and a plot of decode rate
// against Eb/N0.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace sens {

struct Point {
    std::string set, program, mode, chain;
    double offset_hz = 0, ebn0_db = 0;
    long sent = 0, decoded = 0, false_good = 0;
};

// Reference frame success per set at each Eb/N0 (dB -> probability).
using Reference = std::map<std::string, std::map<double, double>>;

// Lowest Eb/N0 of a rising curve from which on every point reaches `need`;
// a negative value when none does.
double threshold_db(const std::map<double, double>& rate_by_ebn0, double need);

// Wilson score interval (95 %) of k successes in n trials.
void wilson95(long k, long n, double& lo, double& hi);

// Frame success of the uncoded reference: (1 - p)^bits with
// p = 0.5 exp(-Eb / 2N0).
double ncfsk_frame_success(double ebn0_db, int bits);

std::vector<Point> read_points(const std::string& csv_text);

// The text tables (per-point counts and the thresholds).
std::string report_text(const std::vector<Point>& pts, const Reference& ref);
// An SVG plot: one panel per set, decode rate against Eb/N0 at 0 Hz on the
// plain chain per mode, the reference dashed.
std::string report_svg(const std::vector<Point>& pts, const Reference& ref, const std::string& title);

}  // namespace sens
