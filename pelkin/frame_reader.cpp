#include "pelkin/frame_reader.h"

#include <algorithm>
#include <cmath>

#include "dsp/dc_tracker.h"
#include "dsp/timing_loop.h"

namespace sonde::pelkin {

namespace {
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

// Correlation of the 20 bit integrals ending at t with the sync word. Each
// bit's end is the next one's start: 21 running sums serve the 20 bits.
double sync_correlation(const FrameReader& rd, const RunningSums& sums, double t, double* sum) {
    double r = 0.0, s = 0.0;
    double from = sonde::integrator_at(sums, t - kSyncBits * rd.sps);
    for (int i = 0; i < kSyncBits; i++) {
        const double to = sonde::integrator_at(sums, t - (kSyncBits - 1 - i) * rd.sps);
        const double y = to - from;
        from = to;
        r += kSyncPattern[i] * y;
        s += y;
    }
    if (sum) *sum = s;
    return r;
}

// Best sync end near t: coarse then fine steps over half a bit each way.
double refine_sync_end(const FrameReader& rd, const RunningSums& sums, double t) {
    double best = t, best_r = std::fabs(sync_correlation(rd, sums, t, nullptr));
    for (const double step : {rd.sps / 8.0, rd.sps / 32.0}) {
        const double centre = best;
        for (int k = -4; k <= 4; k++) {
            if (k == 0) continue;
            const double tt = centre + k * step;
            const double r = std::fabs(sync_correlation(rd, sums, tt, nullptr));
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
int boundary_errors(const FrameReader& rd, const RunningSums& sums, double t, double pol, int groups) {
    int errors = 0;
    for (int g = 0; g < groups; g++) {
        const double at = t + g * kGroupBits * rd.sps;
        const double fall =
            sonde::integrator_span(sums, at - rd.sps, at) - sonde::integrator_span(sums, at, at + rd.sps);
        if (pol * fall <= 0.0) errors++;
    }
    return errors;
}

// Mean agreement (in clean bits at the sync word's amplitude) of each later
// group's stop (1) and start (0) bit, at the nominal bit length or off by up
// to the loop's rate error; the level drops out of each pair. A readable
// frame agrees (0.45 or more at Eb/N0 6 dB, de-emphasised, 2 kHz off), AFSK
// that mimics the first groups no better than chance. Far cheaper than
// reading the frame.
constexpr double kLateAgreementMin = 0.25;
constexpr int kRateStepsPerSide = 3;

bool late_groups_agree(const FrameReader& rd, const RunningSums& sums, double t0, double r) {
    constexpr int kPairs = kFrameGroups - kEarlyGroups;
    const double need = kLateAgreementMin * 2.0 * kPairs * std::fabs(r) / kSyncBits;
    const double pol = r >= 0.0 ? 1.0 : -1.0;
    // Nominal first, then further off on either side: a frame passes at once.
    for (int h = 0; h <= 2 * kRateStepsPerSide; h++) {
        const int step = (h + 1) / 2 * (h % 2 == 1 ? 1 : -1);
        const double bit = rd.sps * (1.0 + kMaxRateError * step / kRateStepsPerSide);
        double agree = 0.0;
        for (int g = kEarlyGroups; g < kFrameGroups; g++) {
            const double start = t0 + g * kGroupBits * bit;
            const double stop = start + (kGroupBits - 1) * bit;
            agree += sonde::integrator_span(sums, stop, stop + bit) - sonde::integrator_span(sums, start, start + bit);
        }
        if (pol * agree >= need) return true;
    }
    return false;
}

// A stretch [t0, t1] of audio, integrated with each sample's distance from
// a level limited to +-lim: a discriminator click (a spike whose area equals
// that of a whole opposite bit, in half its width) loses most of its weight,
// while a clean bit, which never leaves +-lim, keeps all of it.
struct LimitedSpan {
    double t0 = 0.0, t1 = 0.0;
    double s = 0.0;    // the integral
    double cut = 0.0;  // the weight taken off
};
constexpr int kLimitedSpans = 2;

// Both spans with the same level and limit, in one pass: a sample in both
// (a bit and the window across its start overlap by half) is limited once.
// Each span then adds up its samples in order, the partial first and last
// by the share inside: the same sums as sample by sample.
void limited_integrals(const FrameReader& rd, const RunningSums& sums, double level, double lim,
                       LimitedSpan (&spans)[kLimitedSpans]) {
    const double top = sonde::integrator_end(sums);
    uint64_t i0[kLimitedSpans], i1[kLimitedSpans], last[kLimitedSpans];
    uint64_t lo = UINT64_MAX, hi = 0;
    for (int k = 0; k < kLimitedSpans; k++) {
        LimitedSpan& sp = spans[k];
        sp.t0 = std::max(sp.t0, 0.0);  // clipped to the samples there are
        sp.t1 = std::min(sp.t1, top);
        sp.s = sp.cut = 0.0;
        if (sp.t1 <= sp.t0) continue;
        i0[k] = static_cast<uint64_t>(sp.t0);
        i1[k] = static_cast<uint64_t>(sp.t1);
        // The sample where t1 falls counts only when part of it is inside.
        last[k] = i0[k] == i1[k] || sp.t1 > static_cast<double>(i1[k]) ? i1[k] : i1[k] - 1;
        lo = std::min(lo, i0[k]);
        hi = std::max(hi, last[k]);
    }
    // Both spans cover 1.5 bits and two partial samples: 243 samples at the
    // highest rate the receiver takes (160 samples per bit).
    constexpr uint64_t kMaxSamples = 256;
    if (lo > hi || hi - lo >= kMaxSamples) return;
    // Each ring entry is loaded once; the previous sample (for the
    // de-emphasis) is the last one read.
    const int64_t* const csum = sums.ring.data();
    const uint64_t mask = sums.mask;
    const double a = rd.emph;
    int64_t c_at = csum[lo & mask];
    double prev = lo > 0 ? static_cast<double>(c_at - csum[(lo - 1) & mask]) : 0.0;
    double vs[kMaxSamples], cuts[kMaxSamples];
    for (uint64_t j = 0; j <= hi - lo; j++) {
        const int64_t c_next = csum[(lo + j + 1) & mask];
        const double raw = static_cast<double>(c_next - c_at);
        const double r = a == 0.0 ? raw : (raw - a * prev) / (1.0 - a);
        prev = raw;
        c_at = c_next;
        const double x = r - level;
        const double c = std::clamp(x, -lim, lim);
        cuts[j] = std::fabs(x - c);
        vs[j] = c + level;
    }
    for (int k = 0; k < kLimitedSpans; k++) {
        LimitedSpan& sp = spans[k];
        if (sp.t1 <= sp.t0) continue;
        const double* v = vs + (i0[k] - lo);
        const double* cut = cuts + (i0[k] - lo);
        for (uint64_t j = 0; j <= last[k] - i0[k]; j++) sp.cut += cut[j];
        const uint64_t whole = i1[k] - i0[k];
        if (whole == 0) {
            sp.s = (sp.t1 - sp.t0) * v[0];
            continue;
        }
        sp.s = (static_cast<double>(i0[k] + 1) - sp.t0) * v[0];
        for (uint64_t j = 1; j < whole; j++) sp.s += v[j];
        if (last[k] == i1[k]) sp.s += (sp.t1 - static_cast<double>(i1[k])) * v[whole];
    }
}

// Integral as read for a frame: with rd.emph set, of the audio with a
// one-pole de-emphasis (y[n] = a y[n-1] + (1 - a) x[n]) undone.
double frame_integral(const FrameReader& rd, const RunningSums& sums, double t0, double t1) {
    const double a = rd.emph;
    if (a == 0.0) return sonde::integrator_span(sums, t0, t1);
    return (sonde::integrator_span(sums, t0, t1) - a * sonde::integrator_span(sums, t0 - 1.0, t1 - 1.0)) / (1.0 - a);
}

int sign_of(double v) { return v >= 0.0 ? 1 : -1; }

// The start (-1) or stop (+1) bit a frame has at bit k, else 0.
int known_bit(int k) {
    const int pos = k % kGroupBits;
    return pos == 0 ? -1 : pos == kGroupBits - 1 ? 1 : 0;
}

// t0, r and sum: the sync word's end, its correlation and its sum there.
bool read_frame_once(FrameReader& rd, const RunningSums& sums, const RobustCandidate& c, double t0, double r,
                     double sum) {
    RobustFrame& f = rd.frame;
    const double sps = rd.sps;
    const double pol = r >= 0.0 ? 1.0 : -1.0;
    double amp = std::fabs(r) / kSyncBits;  // integral of a clean bit, above the level
    if (amp <= 0.0) return false;

    // Reading: decisions from the tracked level, timing from the bit
    // boundaries where the level changes.
    sonde::DcTracker dc = sonde::dc_tracker_make(kLevelTimeConstant);
    dc.level = sum / kSyncBits;
    dc.seen = static_cast<long long>(kLevelTimeConstant);  // the sync word gave a start
    sonde::TimingLoop loop = sonde::timing_loop_make(sps, kTimingBandwidth, kTimingDamping);
    loop.max_rate_error = kMaxRateError;
    loop.next = t0;
    double before = pol * amp;  // the sync word ends with a stop bit
    int errors = 0;
    int falls = 0;
    for (int k = 0; k < kFrameBits; k++) {
        const double tau = loop.next;
        const double lim = rd.cfg.click_limit * amp / sps;
        // The bit, and the window across its start for the timing.
        LimitedSpan spans[kLimitedSpans] = {{.t0 = tau, .t1 = tau + sps},
                                            {.t0 = tau - sps / 2.0, .t1 = tau + sps / 2.0}};
        limited_integrals(rd, sums, dc.level / sps, lim, spans);
        const double y = spans[0].s;
        const double m = spans[1].s;
        rd.cut[k] = spans[0].cut / amp;
        rd.bit_start[k] = tau;
        rd.y[k] = y;
        // Group boundaries without a fall, and start/stop errors, only grow:
        // past their limit now, past it where they are checked.
        if (k % kGroupBits == 0 && k > 0 && pol * (rd.y[k - 1] - y) <= 0.0 && ++falls > rd.cfg.max_boundary_errors)
            return false;
        const double v = pol * (y - dc.level) / amp;
        const int known = known_bit(k);
        const int b = known != 0 ? known : sign_of(v);
        if (known != 0 && sign_of(v) != known &&
            (++errors > rd.cfg.max_start_stop_errors || (k < kEarlyGroups * kGroupBits && errors > kEarlyErrors)))
            return false;
        const double after = y - dc.level;
        const double late = sonde::gardner_late(before, m - dc.level, after, amp * amp, sps);
        sonde::dc_tracker_update(dc, y - pol * amp * b);
        const double a = pol * b * (y - dc.level);
        if (a > 0.0) amp += kAmpGainRead * (a - amp);
        sonde::timing_loop_advance(loop, std::clamp(late, -sps / 2.0, sps / 2.0));
        before = after;
    }

    // Smoothing: the level from both sides of each bit, from the residuals
    // of the decisions; twice, the second time with better decisions. The
    // start/stop errors are counted again on the last decisions.
    std::fill(rd.lvl, rd.lvl + kFrameBits, dc.level);
    int dec[kFrameBits];
    for (int pass = 0;; pass++) {
        errors = 0;
        for (int k = 0; k < kFrameBits; k++) {
            const double v = pol * (rd.y[k] - rd.lvl[k]) / amp;
            const int known = known_bit(k);
            const int b = sign_of(v);
            if (known != 0 && known != b) errors++;
            dec[k] = known != 0 ? known : b;
            f.hard[k] = b > 0 ? 1 : 0;
            f.soft[k] = static_cast<float>(v / (1.0 + kClickWeight * rd.cut[k]));
        }
        if (pass == 2) break;
        double fwd = rd.y[0] - pol * amp * dec[0];
        for (int k = 0; k < kFrameBits; k++) {
            fwd += kLevelGainSmooth * (rd.y[k] - pol * amp * dec[k] - fwd);
            rd.lvl[k] = fwd;
        }
        double bwd = rd.y[kFrameBits - 1] - pol * amp * dec[kFrameBits - 1];
        for (int k = kFrameBits - 1; k >= 0; k--) {
            bwd += kLevelGainSmooth * (rd.y[k] - pol * amp * dec[k] - bwd);
            rd.lvl[k] = 0.5 * (rd.lvl[k] + bwd);
        }
    }
    if (errors > rd.cfg.max_start_stop_errors) return false;

    // The SNR from the plain matched filter: the limiter would flatter it.
    // Read only now, for a frame that passed its gates.
    double sm = 0.0, ss = 0.0, lv = 0.0;
    for (int k = 0; k < kFrameBits; k++) {
        const double plain = frame_integral(rd, sums, rd.bit_start[k], rd.bit_start[k] + sps);
        const double a = (f.hard[k] ? pol : -pol) * (plain - rd.lvl[k]) / amp;
        sm += a;
        ss += a * a;
        lv += rd.lvl[k];
    }
    const double mean = sm / kFrameBits;
    const double var = ss / kFrameBits - mean * mean;
    f.snr_db = var > 0.0 ? std::min(10.0 * std::log10(mean * mean / var), kMaxSnrDb) : kMaxSnrDb;
    f.dc = lv / kFrameBits / sps / kSumsFullScale;
    f.sync_corr = c.corr;
    f.deemphasis_undone = rd.emph != 0.0;
    f.start_sample = static_cast<uint64_t>(t0);
    f.end_sample = static_cast<uint64_t>(loop.next);
    return true;
}

}  // namespace

// Read as it comes and, when the audio may be de-emphasised and the frame
// is not clean anyway, with the de-emphasis undone: the reading with the
// better SNR wins.
bool read_frame(FrameReader& rd, const RunningSums& sums, const RobustCandidate& c) {
    if (boundary_errors(rd, sums, c.sync_end, c.corr >= 0.0 ? 1.0 : -1.0, kEarlyGroups) > kEarlyBoundaryErrors)
        return false;
    // The sync word fitted once for both readings: the search takes the
    // audio as it comes.
    const double t0 = refine_sync_end(rd, sums, c.sync_end);
    double sum = 0.0;
    const double r = sync_correlation(rd, sums, t0, &sum);
    if (!late_groups_agree(rd, sums, t0, r)) return false;
    rd.reads++;
    const bool plain = read_frame_once(rd, sums, c, t0, r, sum);
    if (rd.deemph == 0.0 || (plain && rd.frame.snr_db >= kCleanSnrDb)) return plain;
    if (plain) rd.spare = rd.frame;
    rd.emph = rd.deemph;
    const bool undone = read_frame_once(rd, sums, c, t0, r, sum);
    rd.emph = 0.0;
    if (undone && (!plain || rd.frame.snr_db > rd.spare.snr_db + kUndoMargin)) return true;
    if (plain) rd.frame = rd.spare;
    return plain;
}

void frame_reader_init(FrameReader& r, double sample_rate, double sps, const RobustConfig& cfg) {
    r.sps = sps;
    r.cfg = cfg;
    r.deemph = cfg.try_deemphasis ? std::exp(-1.0 / (sample_rate * kDeemphSeconds)) : 0.0;
}

}  // namespace sonde::pelkin
