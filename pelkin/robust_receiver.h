// Weak-signal receiver for the 4800 bit/s two-level baseband: samples in,
// 500 frame bits with a reliability each out, pushed block by block.
//
// Signal model: the discriminator delivers dc + pol * a * b(t) + noise, with
// b = +-1 per bit (NRZ), a DC level set by the tuning offset (it may exceed
// a, the whole signal then lies on one side of zero), unknown polarity, and
// an AC-coupled audio path that lets the level sag during long runs.
//
// - Matched filter: the integral of the audio over one bit period, at any
//   fractional time, from a ring of running sums (exact in integers).
// - Sync: four strobes per bit correlate the last 20 bit integrals with the
//   sync word. The word holds as many ones as zeros, so the correlation
//   ignores the DC level; normalised by the spread of the 20 integrals it
//   ignores the amplitude, and its sign gives the polarity.
// - Each sync candidate is read once its 500 bits have arrived: timing
//   refined on the sync word, then bit by bit with a timing loop on the bit
//   boundaries; the level and amplitude tracked from decisions, the start
//   and stop bits serving as known symbols; a smoothing pass over the frame
//   follows a sagging level without lag.
// - Start and stop bits gate the candidate: noise that mimics the sync word
//   gives no frame.
// Frames go to the sink as SoftFrames of 500 bits, flagged
// kSoftFrameDeemphasisUndone when read with the de-emphasis undone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pelkin/frame_bytes.h"
#include "receiver/soft_frame.h"

namespace sonde::pelkin {

// Sample rates the receiver takes.
constexpr int kRobustMinRate = 8000;
constexpr int kRobustMaxRate = 768000;

constexpr int kSyncBits = 20;
constexpr int kStrobesPerBit = 4;
constexpr int kMaxCandidates = 16;

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

struct RobustCandidate {
    double sync_end;  // time (in samples) where the sync word's last bit ends
    double corr;      // normalised correlation at that strobe
};

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
};

struct RobustReceiver {
    RobustConfig cfg;
    double rate = 48000.0;  // samples per second
    double sps = 10.0;      // samples per bit
    // Samples are taken in units of 2^-15 of full scale (a 16-bit sample's
    // step), rounded. Running sums: csum[n & mask] = sum of samples 0 .. n-1.
    std::vector<int64_t> csum;
    uint64_t mask = 0;
    uint64_t n = 0;  // samples taken
    int64_t total = 0;
    uint64_t low_bits = 0;  // OR of all samples: their common power-of-two step

    // Strobes: integrals over the bit ending at each, kept per phase.
    double next_strobe = 0.0;               // time of the next strobe
    uint64_t strobe_ready = 0;              // samples needed before it can be taken
    uint64_t strobe_count = 0;              // strobe j is phase j % 4 of bit j / 4
    int64_t hist[kStrobesPerBit][32] = {};  // integrals (units: 1/4 sample), ring per phase
    int64_t s1[kStrobesPerBit] = {};        // sum of the last 20
    int64_t s2[kStrobesPerBit] = {};        // sum of squares of the last 20
    int64_t alt[kStrobesPerBit] = {};       // sum of (-1)^k times the k-th

    // Peak search after a threshold crossing.
    bool in_peak = false;
    uint64_t peak_until = 0;  // last strobe of the search window
    RobustCandidate peak{};

    // Candidates waiting for their frame's samples, oldest first.
    RobustCandidate pending[kMaxCandidates];
    int n_pending = 0;
    uint64_t ready_at = UINT64_MAX;  // samples the oldest one needs
    double busy_until = 0.0;         // end of the last frame delivered

    // Work space of a frame read.
    double y[kFrameBits] = {};
    double cut[kFrameBits] = {};    // weight its clicks lost to the limit
    double v[kFrameBits] = {};      // soft values before the click weighting
    double plain[kFrameBits] = {};  // bit integrals without the limiter
    double lvl[kFrameBits] = {};
    RobustFrame frame{};
    RobustFrame spare{};  // the other reading of the frame

    double deemph = 0.0;  // de-emphasis pole tried, 0 for none
    double emph = 0.0;    // the one undone in the frame being read

    uint64_t candidates_seen = 0;  // sync candidates so far (false starts included)
};

// Sets up the receiver for a sample rate in Hz (kRobustMinRate to
// kRobustMaxRate); the only allocation. False, and nothing decoded, for a
// rate outside that range.
bool receiver_init(RobustReceiver& rx, double sample_rate, const RobustConfig& cfg = RobustConfig{});

// Takes n samples (full scale +-1); every frame completed by them goes to the
// sink before this returns, in order.
void receiver_feed(RobustReceiver& rx, const float* x, std::size_t n, const sonde::FrameSink& sink);

// Integral of the audio over [t0, t1] (sample units; a sample of full scale
// 1 weighs 32768), from the running sums.
double robust_integral(const RobustReceiver& rx, double t0, double t1);

}  // namespace sonde::pelkin
