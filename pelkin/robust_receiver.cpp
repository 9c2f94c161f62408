#include "pelkin/robust_receiver.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "dsp/dc_tracker.h"
#include "dsp/timing_loop.h"

namespace sonde::pelkin {

namespace {
constexpr double kBitRate = 4800.0;
// The sync word, +1 for a one: two groups of 0xAA.
constexpr int kSyncPattern[kSyncBits] = {-1, -1, 1, -1, 1, -1, 1, -1, 1, 1, -1, -1, 1, -1, 1, -1, 1, -1, 1, 1};
// Strobe integrals are kept in quarter sample units, as integers, so that
// the running sums stay exact however long the stream runs.
constexpr double kStrobeScale = 4.0;
// Input samples are taken in units of a 16-bit sample's step.
constexpr double kInputScale = 32768.0;
// Strobe integrals are rounded to a quarter of the input's own step: the
// coarsest power of two, at most an 8-bit sample's, that every sample so far
// is a multiple of. So they are the same integers in the same units whether
// the samples came as 8 or 16 bits.
constexpr uint64_t kCoarsestStep = 256;

// Level tracking: decision-directed while reading, then a two-sided
// smoothing over the frame with this weight per bit.
constexpr double kLevelTimeConstant = 8.0;
constexpr double kAmpGainRead = 1.0 / 32.0;
constexpr double kLevelGainSmooth = 1.0 / 12.0;
// Timing loop on bit boundaries: noise bandwidth (fraction of the bit
// rate), damping, and the largest rate error followed.
constexpr double kTimingBandwidth = 0.02;
constexpr double kTimingDamping = 0.7;
constexpr double kMaxRateError = 0.003;
// A later sync word this much stronger within the frame wins.
constexpr double kOutshineMargin = 0.15;
// Samples further from the level than this many times a clean bit's are
// taken as clicks and limited.
constexpr double kClickLimit = 1.25;
// A bit's reliability is divided by 1 + this times the weight its clicks
// lost to the limit (in units of a clean bit).
constexpr double kClickWeight = 10.0;
// SNR gain (dB) that makes the reading with de-emphasis undone win.
constexpr double kUndoMargin = 0.5;
// A frame read at this SNR (dB) or better is not read again.
constexpr double kCleanSnrDb = 20.0;
// The receivers' de-emphasis time constant tried.
constexpr double kDeemphSeconds = 75e-6;
// A clean recording has no noise to measure: its SNR is reported as this.
constexpr double kMaxSnrDb = 60.0;
// Start/stop errors in the first ten groups beyond which reading stops.
constexpr int kEarlyErrors = 6;
// Group boundaries checked before reading, and the errors allowed there.
constexpr int kEarlyGroups = 10;
constexpr int kEarlyBoundaryErrors = 4;

// Running sum at time t (samples), linear between whole samples: the
// integral of the piecewise constant audio from 0 to t.
double running_sum(const RobustReceiver& rx, double t) {
    if (t <= 0.0) return 0.0;
    const double top = static_cast<double>(rx.n);
    if (t >= top) return static_cast<double>(rx.csum[rx.n & rx.mask]);
    const uint64_t i = static_cast<uint64_t>(t);
    const double f = t - static_cast<double>(i);
    const double c0 = static_cast<double>(rx.csum[i & rx.mask]);
    const double c1 = static_cast<double>(rx.csum[(i + 1) & rx.mask]);
    return c0 + f * (c1 - c0);
}

// Correlation of the 20 bit integrals ending at t with the sync word.
double sync_correlation(const RobustReceiver& rx, double t, double* sum) {
    double r = 0.0, s = 0.0;
    for (int i = 0; i < kSyncBits; i++) {
        const double y = robust_integral(rx, t - (kSyncBits - i) * rx.sps, t - (kSyncBits - 1 - i) * rx.sps);
        r += kSyncPattern[i] * y;
        s += y;
    }
    if (sum) *sum = s;
    return r;
}

// Best sync end near t: coarse then fine steps over half a bit each way.
double refine_sync_end(const RobustReceiver& rx, double t) {
    double best = t, best_r = std::fabs(sync_correlation(rx, t, nullptr));
    for (int pass = 0; pass < 2; pass++) {
        const double step = pass == 0 ? rx.sps / 8.0 : rx.sps / 32.0;
        const double centre = best;
        for (int k = -4; k <= 4; k++) {
            if (k == 0) continue;
            const double tt = centre + k * step;
            const double r = std::fabs(sync_correlation(rx, tt, nullptr));
            if (r > best_r) {
                best_r = r;
                best = tt;
            }
        }
    }
    return best;
}

// Every group ends with a stop bit (1) and the next begins with a start bit
// (0): a fall the level cannot fake. Counts the first `groups` group
// boundaries after the sync end t, at the nominal rate, where the bit before
// is not above the bit after.
int boundary_errors(const RobustReceiver& rx, double t, double pol, int groups) {
    int errors = 0;
    for (int g = 0; g < groups; g++) {
        const double at = t + g * kGroupBits * rx.sps;
        const double fall = robust_integral(rx, at - rx.sps, at) - robust_integral(rx, at, at + rx.sps);
        if (pol * fall <= 0.0) errors++;
    }
    return errors;
}

// Integral over [t0, t1] of the audio with each sample's distance from
// `level` limited to +-lim: a discriminator click (a spike whose area equals
// that of a whole opposite bit, in half its width) loses most of its weight,
// while a clean bit, which never leaves +-lim, keeps all of it.
// *cut gets the weight taken off.
double limited_integral(const RobustReceiver& rx, double t0, double t1, double level, double lim, double* cut) {
    if (t0 < 0.0) t0 = 0.0;
    const double top = static_cast<double>(rx.n);
    if (t1 > top) t1 = top;
    *cut = 0.0;
    if (t1 <= t0) return 0.0;
    auto raw = [&](uint64_t i) { return static_cast<double>(rx.csum[(i + 1) & rx.mask] - rx.csum[i & rx.mask]); };
    const double a = rx.emph;
    auto sample = [&](uint64_t i) {
        const double r = a == 0.0 ? raw(i) : (raw(i) - a * (i > 0 ? raw(i - 1) : 0.0)) / (1.0 - a);
        const double x = r - level;
        const double c = std::clamp(x, -lim, lim);
        *cut += std::fabs(x - c);
        return c + level;
    };
    const uint64_t i0 = static_cast<uint64_t>(t0);
    const uint64_t i1 = static_cast<uint64_t>(t1);
    if (i0 == i1) return (t1 - t0) * sample(i0);
    double s = (static_cast<double>(i0 + 1) - t0) * sample(i0);
    for (uint64_t i = i0 + 1; i < i1; i++) s += sample(i);
    if (t1 > static_cast<double>(i1)) s += (t1 - static_cast<double>(i1)) * sample(i1);
    return s;
}

// Integral as read for a frame: with rx.emph set, of the audio with a
// one-pole de-emphasis (y[n] = a y[n-1] + (1 - a) x[n]) undone.
double frame_integral(const RobustReceiver& rx, double t0, double t1) {
    const double a = rx.emph;
    if (a == 0.0) return robust_integral(rx, t0, t1);
    return (robust_integral(rx, t0, t1) - a * robust_integral(rx, t0 - 1.0, t1 - 1.0)) / (1.0 - a);
}

bool is_known(int k, int* b) {
    const int pos = k % kGroupBits;
    if (pos == 0)
        *b = -1;  // start bit
    else if (pos == kGroupBits - 1)
        *b = 1;  // stop bit
    else
        return false;
    return true;
}
}  // namespace

bool receiver_init(RobustReceiver& rx, double sample_rate, const RobustConfig& cfg) {
    rx.cfg = cfg;
    rx.csum.clear();
    if (!(sample_rate >= kRobustMinRate && sample_rate <= kRobustMaxRate)) return false;
    rx.rate = sample_rate;
    rx.sps = sample_rate / kBitRate;
    // History from a sync word's first bit to the frame's last, with room.
    const double need = (kFrameBits + kSyncBits + 16) * rx.sps + 256.0;
    uint64_t size = 1024;
    while (static_cast<double>(size) < need) size <<= 1;
    rx.csum.assign(size, 0);
    rx.mask = size - 1;
    rx.n = 0;
    rx.total = 0;
    rx.low_bits = 0;
    rx.next_strobe = rx.sps;
    rx.strobe_ready = static_cast<uint64_t>(rx.next_strobe) + 1;
    rx.strobe_count = 0;
    rx.n_pending = 0;
    rx.ready_at = UINT64_MAX;
    rx.busy_until = 0.0;
    rx.in_peak = false;
    rx.candidates_seen = 0;
    rx.deemph = cfg.try_deemphasis ? std::exp(-1.0 / (sample_rate * kDeemphSeconds)) : 0.0;
    rx.emph = 0.0;
    return true;
}

double robust_integral(const RobustReceiver& rx, double t0, double t1) {
    return running_sum(rx, t1) - running_sum(rx, t0);
}

namespace {

uint64_t candidate_ready(const RobustReceiver& rx, const RobustCandidate& c) {
    return static_cast<uint64_t>(c.sync_end + (kFrameBits + 3) * rx.sps) + 2;
}

void drop_first(RobustReceiver& rx) {
    for (int i = 1; i < rx.n_pending; i++) rx.pending[i - 1] = rx.pending[i];
    rx.n_pending--;
    rx.ready_at = rx.n_pending > 0 ? candidate_ready(rx, rx.pending[0]) : UINT64_MAX;
}

bool outshone(const RobustReceiver& rx, const RobustCandidate& c) {
    const double span = (kFrameBits - kSyncBits) * rx.sps;
    for (int i = 0; i < rx.n_pending; i++) {
        const RobustCandidate& o = rx.pending[i];
        if (o.sync_end - c.sync_end > span) break;
        if (std::fabs(o.corr) >= std::fabs(c.corr) + kOutshineMargin) return true;
    }
    return false;
}

void add_candidate(RobustReceiver& rx, const RobustCandidate& c) {
    rx.candidates_seen++;
    if (c.sync_end < rx.busy_until) return;
    if (rx.n_pending == kMaxCandidates) {
        // Full: the weakest one leaves, if weaker than the new one.
        int weakest = 0;
        for (int i = 1; i < rx.n_pending; i++)
            if (std::fabs(rx.pending[i].corr) < std::fabs(rx.pending[weakest].corr)) weakest = i;
        if (std::fabs(rx.pending[weakest].corr) >= std::fabs(c.corr)) return;
        for (int i = weakest + 1; i < rx.n_pending; i++) rx.pending[i - 1] = rx.pending[i];
        rx.n_pending--;
    }
    rx.pending[rx.n_pending++] = c;
    rx.ready_at = candidate_ready(rx, rx.pending[0]);
}

void take_strobe(RobustReceiver& rx) {
    const double ts = rx.next_strobe;
    rx.next_strobe += rx.sps / kStrobesPerBit;
    rx.strobe_ready = static_cast<uint64_t>(rx.next_strobe) + 1;
    const uint64_t j = rx.strobe_count++;
    const int ph = static_cast<int>(j % kStrobesPerBit);
    const uint64_t k = j / kStrobesPerBit;  // bits this phase has seen before

    const auto step = static_cast<int64_t>(uint64_t{1} << std::countr_zero(rx.low_bits | kCoarsestStep));
    const double quarters = robust_integral(rx, ts - rx.sps, ts) * kStrobeScale;
    const int64_t y = std::llround(quarters / static_cast<double>(step)) * step;
    int64_t* h = rx.hist[ph];
    const int64_t old = k >= kSyncBits ? h[(k - kSyncBits) & 31] : 0;
    h[k & 31] = y;
    rx.s1[ph] += y - old;
    rx.s2[ph] += y * y - old * old;
    // k and k - 20 have the same parity.
    rx.alt[ph] += (k & 1) ? old - y : y - old;
    if (k + 1 < kSyncBits) return;

    // The pattern is (-1)^i except at its positions 0, 9, 10 and 19.
    const uint64_t start = k + 1 - kSyncBits;
    const int64_t alt = (start & 1) ? -rx.alt[ph] : rx.alt[ph];
    const int64_t r = alt - 2 * (h[start & 31] - h[(start + 9) & 31] + h[(start + 10) & 31] - h[(start + 19) & 31]);
    const double den = static_cast<double>(kSyncBits) * static_cast<double>(rx.s2[ph]) -
                       static_cast<double>(rx.s1[ph]) * static_cast<double>(rx.s1[ph]);
    const double rr = static_cast<double>(r) * static_cast<double>(r);
    const double th = rx.cfg.sync_threshold;
    const bool above = den > 0.0 && rr >= th * th * den;
    if (above) {
        const double rho = static_cast<double>(r) / std::sqrt(den);
        if (!rx.in_peak) {
            rx.in_peak = true;
            rx.peak_until = j + kStrobesPerBit;
            rx.peak = RobustCandidate{ts, rho};
        } else if (std::fabs(rho) > std::fabs(rx.peak.corr)) {
            rx.peak = RobustCandidate{ts, rho};
        }
    }
    if (rx.in_peak && j >= rx.peak_until) {
        rx.in_peak = false;
        add_candidate(rx, rx.peak);
    }
}

bool read_frame_once(RobustReceiver& rx, const RobustCandidate& c) {
    RobustFrame& f = rx.frame;
    const double sps = rx.sps;
    const double t0 = refine_sync_end(rx, c.sync_end);
    double sum = 0.0;
    const double r = sync_correlation(rx, t0, &sum);
    const double pol = r >= 0.0 ? 1.0 : -1.0;
    double amp = std::fabs(r) / kSyncBits;  // integral of a clean bit, above the level
    double level = sum / kSyncBits;
    if (amp <= 0.0) return false;

    // Reading: decisions from the tracked level, timing from the bit
    // boundaries where the level changes.
    sonde::DcTracker dc = sonde::dc_tracker_make(kLevelTimeConstant);
    dc.level = level;
    dc.seen = static_cast<long long>(kLevelTimeConstant);  // the sync word gave a start
    sonde::TimingLoop loop = sonde::timing_loop_make(sps, kTimingBandwidth, kTimingDamping);
    loop.max_rate_error = kMaxRateError;
    loop.next = t0;
    double before = pol * amp;  // the sync word ends with a stop bit
    int errors = 0;
    for (int k = 0; k < kFrameBits; k++) {
        const double tau = loop.next;
        const double lim = kClickLimit * amp / sps;
        double cut = 0.0, cut_mid = 0.0;
        const double y = limited_integral(rx, tau, tau + sps, dc.level / sps, lim, &cut);
        const double m = limited_integral(rx, tau - sps / 2.0, tau + sps / 2.0, dc.level / sps, lim, &cut_mid);
        rx.cut[k] = cut / amp;
        rx.plain[k] = frame_integral(rx, tau, tau + sps);
        rx.y[k] = y;
        const double v = pol * (y - dc.level) / amp;
        int b = v >= 0.0 ? 1 : -1;
        int known = 0;
        if (is_known(k, &known)) {
            if (known != b) errors++;
            b = known;
        }
        if (k == 10 * kGroupBits - 1 && errors > kEarlyErrors) return false;
        const double after = y - dc.level;
        const double late = sonde::gardner_late(before, m - dc.level, after, amp * amp, sps);
        sonde::dc_tracker_update(dc, y - pol * amp * b);
        const double a = pol * b * (y - dc.level);
        if (a > 0.0) amp += kAmpGainRead * (a - amp);
        sonde::timing_loop_advance(loop, std::clamp(late, -sps / 2.0, sps / 2.0));
        before = after;
    }
    level = dc.level;
    const double tau = loop.next;
    if (errors > rx.cfg.max_start_stop_errors) return false;
    // The boundaries again, at the timing the loop found.
    int falls = 0;
    for (int g = 1; g < kFrameGroups; g++)
        if (pol * (rx.y[g * kGroupBits - 1] - rx.y[g * kGroupBits]) <= 0.0) falls++;
    if (falls > rx.cfg.max_boundary_errors) return false;

    // Smoothing: the level from both sides of each bit, from the residuals
    // of the decisions; twice, the second time with better decisions.
    int dec[kFrameBits];
    for (int k = 0; k < kFrameBits; k++) {
        const double v = pol * (rx.y[k] - level) / amp;
        int b = v >= 0.0 ? 1 : -1;
        is_known(k, &b);
        dec[k] = b;
    }
    for (int pass = 0; pass < 2; pass++) {
        double fwd = rx.y[0] - pol * amp * dec[0];
        for (int k = 0; k < kFrameBits; k++) {
            fwd += kLevelGainSmooth * (rx.y[k] - pol * amp * dec[k] - fwd);
            rx.lvl[k] = fwd;
        }
        double bwd = rx.y[kFrameBits - 1] - pol * amp * dec[kFrameBits - 1];
        for (int k = kFrameBits - 1; k >= 0; k--) {
            bwd += kLevelGainSmooth * (rx.y[k] - pol * amp * dec[k] - bwd);
            rx.lvl[k] = 0.5 * (rx.lvl[k] + bwd);
        }
        for (int k = 0; k < kFrameBits; k++) {
            const double v = pol * (rx.y[k] - rx.lvl[k]) / amp;
            int b = v >= 0.0 ? 1 : -1;
            is_known(k, &b);
            dec[k] = b;
            rx.v[k] = v;
            f.soft[k] = static_cast<float>(v / (1.0 + kClickWeight * rx.cut[k]));
        }
    }

    // The SNR from the plain matched filter: the limiter would flatter it.
    errors = 0;
    double sm = 0.0, ss = 0.0, lv = 0.0;
    for (int k = 0; k < kFrameBits; k++) {
        const double v = rx.v[k];
        f.hard[k] = v >= 0.0 ? 1 : 0;
        int known = 0;
        if (is_known(k, &known) && (v >= 0.0 ? 1 : -1) != known) errors++;
        const double a = (v >= 0.0 ? pol : -pol) * (rx.plain[k] - rx.lvl[k]) / amp;
        sm += a;
        ss += a * a;
        lv += rx.lvl[k];
    }
    if (errors > rx.cfg.max_start_stop_errors) return false;
    const double mean = sm / kFrameBits;
    const double var = ss / kFrameBits - mean * mean;
    f.snr_db = var > 0.0 ? std::min(10.0 * std::log10(mean * mean / var), kMaxSnrDb) : kMaxSnrDb;
    f.dc = lv / kFrameBits / sps / kInputScale;
    f.sync_corr = c.corr;
    f.deemphasis_undone = rx.emph != 0.0;
    f.start_sample = static_cast<uint64_t>(t0);
    f.end_sample = static_cast<uint64_t>(tau);
    return true;
}

// Read as it comes and, when the audio may be de-emphasised and the frame
// is not clean anyway, with the de-emphasis undone: the reading with the
// better SNR wins.
bool read_frame(RobustReceiver& rx, const RobustCandidate& c) {
    if (boundary_errors(rx, c.sync_end, c.corr >= 0.0 ? 1.0 : -1.0, kEarlyGroups) > kEarlyBoundaryErrors) return false;
    rx.emph = 0.0;
    const bool plain = read_frame_once(rx, c);
    if (rx.deemph == 0.0 || (plain && rx.frame.snr_db >= kCleanSnrDb)) return plain;
    if (plain) rx.spare = rx.frame;
    rx.emph = rx.deemph;
    const bool undone = read_frame_once(rx, c);
    rx.emph = 0.0;
    if (undone && (!plain || rx.frame.snr_db > rx.spare.snr_db + kUndoMargin)) return true;
    if (plain) rx.frame = rx.spare;
    return plain;
}

// Reads every candidate whose samples are in; hands on the frames.
void serve_candidates(RobustReceiver& rx, const sonde::FrameSink& sink) {
    while (rx.n_pending > 0 && rx.n >= rx.ready_at) {
        const RobustCandidate c = rx.pending[0];
        drop_first(rx);
        if (c.sync_end < rx.busy_until || outshone(rx, c)) continue;
        if (!read_frame(rx, c)) continue;
        rx.busy_until = c.sync_end + (kFrameBits - 5) * rx.sps;
        const RobustFrame& f = rx.frame;
        sink({.kind = sonde::SondeKind::pelkin,
              .count = kFrameBits,
              .hard = f.hard,
              .soft = f.soft,
              .start_sample = static_cast<int64_t>(f.start_sample),
              .end_sample = static_cast<int64_t>(f.end_sample),
              .snr_db = f.snr_db,
              .dc = f.dc,
              .flags = f.deemphasis_undone ? sonde::kSoftFrameDeemphasisUndone : 0u});
    }
}

// A sample in units of a 16-bit sample's step, rounded; beyond full scale
// taken as full scale, NaN as 0.
int64_t input_units(float x) {
    const float c = x >= -1.0f ? (x <= 1.0f ? x : 1.0f) : (x < -1.0f ? -1.0f : 0.0f);
    return std::llround(c * static_cast<float>(kInputScale));
}
}  // namespace

void receiver_feed(RobustReceiver& rx, const float* x, std::size_t n, const sonde::FrameSink& sink) {
    if (rx.csum.empty()) return;
    for (std::size_t i = 0; i < n; i++) {
        const int64_t v = input_units(x[i]);
        rx.low_bits |= static_cast<uint64_t>(v);
        rx.total += v;
        rx.n++;
        rx.csum[rx.n & rx.mask] = rx.total;
        while (rx.n >= rx.strobe_ready) take_strobe(rx);
        if (rx.n >= rx.ready_at) serve_candidates(rx, sink);
    }
}

}  // namespace sonde::pelkin
