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
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pelkin/frame_bytes.h"

namespace sonde::pelkin {

constexpr int kSyncBits = 20;
constexpr int kStrobesPerBit = 4;
constexpr int kMaxCandidates = 16;

// A frame as the receiver read it.
struct RobustFrame {
    char bits[kFrameBits];   // '0' / '1', polarity resolved
    float soft[kFrameBits];  // +1 / -1 for a clean '1' / '0'
    double snr_db;           // mean^2 / variance of the soft values
    double dc;               // level at the frame, fraction of full scale
    double sync_corr;        // normalised sync correlation, sign = polarity
    bool deemphasis_undone;  // read with the receiver's de-emphasis undone
    uint64_t end_sample;     // sample index just after the last bit
};

struct RobustCandidate {
    double sync_end;  // time (in samples) where the sync word's last bit ends
    double corr;      // normalised correlation at that strobe
};

struct RobustConfig {
    double sample_rate = 48000.0;
    double full_scale = 32768.0;
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
    double sps = 10.0;  // samples per bit
    // Running sums: csum[n & mask] = sum of samples 0 .. n-1.
    std::vector<int64_t> csum;
    uint64_t mask = 0;
    uint64_t n = 0;  // samples taken
    int64_t total = 0;

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

// Sets up the receiver for a sample rate (>= 1000 Hz) and sample width;
// the only allocation.
void robust_init(RobustReceiver& rx, const RobustConfig& cfg);

// Integral of the audio over [t0, t1] (sample units), from the running sums.
double robust_integral(const RobustReceiver& rx, double t0, double t1);

// Reads the frame after a candidate; true when its start and stop bits say
// it is one. The result is in rx.frame.
bool robust_read_frame(RobustReceiver& rx, const RobustCandidate& c);

namespace detail {
void take_strobe(RobustReceiver& rx);
void add_candidate(RobustReceiver& rx, const RobustCandidate& c);
// Reads every candidate whose samples are in; calls on_frame for frames.
template <class OnFrame>
void serve_candidates(RobustReceiver& rx, OnFrame&& on_frame);
uint64_t candidate_ready(const RobustReceiver& rx, const RobustCandidate& c);
void drop_first(RobustReceiver& rx);
// A clearly stronger sync word inside the candidate's frame: the candidate
// is noise that happened to line up with the groups after it.
bool outshone(const RobustReceiver& rx, const RobustCandidate& c);
}  // namespace detail

template <class OnFrame>
void detail::serve_candidates(RobustReceiver& rx, OnFrame&& on_frame) {
    while (rx.n_pending > 0 && rx.n >= rx.ready_at) {
        const RobustCandidate c = rx.pending[0];
        drop_first(rx);
        if (c.sync_end < rx.busy_until || outshone(rx, c)) continue;
        if (!robust_read_frame(rx, c)) continue;
        rx.busy_until = c.sync_end + (kFrameBits - 5) * rx.sps;
        on_frame(static_cast<const RobustFrame&>(rx.frame));
    }
}

// Takes a block of samples; every frame completed by them goes to
// on_frame(const RobustFrame&) before this returns, in order.
template <class OnFrame>
void robust_feed(RobustReceiver& rx, const int* samples, std::size_t count, OnFrame&& on_frame) {
    for (std::size_t i = 0; i < count; i++) {
        rx.total += samples[i];
        rx.n++;
        rx.csum[rx.n & rx.mask] = rx.total;
        while (rx.n >= rx.strobe_ready) detail::take_strobe(rx);
        if (rx.n >= rx.ready_at) detail::serve_candidates(rx, on_frame);
    }
}

}  // namespace sonde::pelkin
