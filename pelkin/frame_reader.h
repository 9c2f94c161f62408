// pelkin's frame reader, once a candidate's 500 bits are in: timing fitted
// on the sync word, then followed by a loop on the bit boundaries; level and
// amplitude tracked from decisions (start and stop bits known), then
// smoothed both ways over the frame to follow a sagging level without lag.
// Start and stop bits reject noise that mimics the sync word. Clicks are
// limited and their bits weigh less; a frame that may be de-emphasised is
// read again with that undone.
#pragma once

#include <cstdint>

#include "pelkin/frame_bytes.h"
#include "pelkin/sync_search.h"

namespace sonde::pelkin {

// A frame as the receiver read it.
struct RobustFrame {
    unsigned char hard[kFrameBits];  // 1 / 0, polarity resolved
    float soft[kFrameBits];          // +1 / -1 for a clean 1 / 0
    double snr_db;                   // mean^2 / variance of the soft values
    double dc;                       // level at the frame, fraction of full scale
    double sync_corr;                // normalised sync correlation, sign = polarity
    bool deemphasis_undone;          // read with the receiver's de-emphasis undone
    uint64_t start_sample;           // sample where the first bit begins
    uint64_t end_sample;             // sample index just after the last bit
};

// The weak-signal receiver's settings.
struct RobustConfig {
    // |normalised correlation| that starts a candidate.
    double sync_threshold = 0.7;
    // Start/stop errors (of 100) beyond which a candidate is no frame.
    int max_start_stop_errors = 20;
    // Group boundaries (of 49) without a fall from stop to start bit beyond
    // which a candidate is no frame: noise passes once in 60000 tries.
    int max_boundary_errors = 10;
    // Also read each frame with a 75 us de-emphasis undone.
    bool try_deemphasis = true;
    // Samples further from the level than this many times a clean bit's are
    // clicks, limited; a detector without clicks sets it out of reach.
    double click_limit = 1.25;
};

struct FrameReader {
    double sps = 10.0;  // samples per bit
    RobustConfig cfg;
    double deemph = 0.0;  // de-emphasis pole tried, 0 for none
    double emph = 0.0;    // the one undone in the frame being read

    // Work space of a frame read.
    double y[kFrameBits] = {};
    double cut[kFrameBits] = {};        // weight its clicks lost to the limit
    double bit_start[kFrameBits] = {};  // where each bit was read from
    double lvl[kFrameBits] = {};
    RobustFrame frame{};
    RobustFrame spare{};  // the other reading of the frame
    uint64_t reads = 0;   // candidates read bit by bit (the others turned away before)
};

// sample_rate in Hz.
void frame_reader_init(FrameReader& r, double sample_rate, double sps, const RobustConfig& cfg);

// Reads the frame after a candidate; true when its start and stop bits say
// it is one. The result is in r.frame.
bool read_frame(FrameReader& r, const RunningSums& sums, const RobustCandidate& c);

}  // namespace sonde::pelkin
