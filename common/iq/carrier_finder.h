// Finds the carriers that could be sondes in a spectrum estimate.
//
// Noise floor: per segment of the band, the 25th percentile of the bins,
// corrected for its bias on averaged noise, interpolated between segment
// centres; carriers covering up to half a segment leave it alone.
// Detection: the mean of spectrum / floor - 1 over a window as wide as a
// sonde's spectrum (the excess) must pass both a fixed threshold and a
// number of its standard deviations on noise alone (which falls as frames
// are averaged); local maxima at least min_separation_hz apart are
// candidates. Each candidate is then measured: its centre (the power-
// weighted mean frequency of its excess), its power and width, and it is
// marked when it is no sonde:
//   narrow: most of its excess in the peak bin and its neighbours, a
//           steady unmodulated carrier (or the DC spike of the receiver);
//   image:  a carrier at the mirrored frequency is image_margin_db or more
//           stronger, so this one is the I/Q image an imperfect mixer makes;
//   edge:   within edge_hz of either end of the band.
#pragma once

#include <vector>

#include "iq/periodogram.h"

namespace sonde::iq {

struct FinderConfig {
    double edge_hz = 30000.0;    // excluded at each end of the band
    double window_hz = 9000.0;   // detection window
    double measure_hz = 8000.0;  // centre and power measured within +-this
    double threshold = 0.5;      // least mean excess in the window (0.5: +1.8 dB)
    double sigmas = 8.0;         // and at least this many standard deviations of it on noise
    // The detection window already merges one sonde's lines; wider, the
    // skirt of a sonde 15 dB stronger 20 kHz away hid a weak one.
    double min_separation_hz = 6000.0;
    double narrow_fraction = 0.7;  // excess share of the peak bin +-1 above which a carrier is steady
    double image_margin_db = 20.0;
};

struct FoundCarrier {
    double offset_hz = 0.0;     // relative to the capture's centre
    double excess = 0.0;        // detection statistic (mean excess in the window)
    double power = 0.0;         // carrier power, full scale 1.0 (a full-scale tone: 1)
    double noise_per_hz = 0.0;  // floor at the carrier
    double peak_fraction = 0.0;
    bool narrow = false, image = false;
};

constexpr int kMaxFound = 64;

struct CarrierFinder {
    FinderConfig cfg;
    std::vector<double> floor;   // per bin, power per Hz
    std::vector<double> ratio;   // spectrum / floor
    std::vector<double> excess;  // windowed mean excess
    std::vector<double> scratch;
    FoundCarrier found[kMaxFound];
    int count = 0;
    double sigma = 0.0;  // standard deviation of the excess on noise at the last search
};

void finder_init(CarrierFinder& f, const FinderConfig& cfg, int bins);

// Searches the spectrum's current estimate; candidates (marked ones too)
// in f.found[0 .. f.count), strongest first.
void finder_search(CarrierFinder& f, const Spectrum& s);

// Noise floor (power per Hz) at an offset, from the last search.
double finder_noise_at(const CarrierFinder& f, const Spectrum& s, double offset_hz);

}  // namespace sonde::iq
