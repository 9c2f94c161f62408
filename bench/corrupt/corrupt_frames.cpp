#include "corrupt_frames.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "ostrel/ostrel_synth.h"
#include "pelkin/pelkin_synth.h"
#include "sonderx/ostrel_kind.h"
#include "sonderx/pelkin_kind.h"
#include "sonderx/vardo_kind.h"
#include "synth/signals.h"
#include "vardo/vardo_synth.h"

namespace corrupt {

using sonde::SoftFrame;
using sonde::SondeKind;
using sonde::sonderx::FrameReport;
using sonde::sonderx::FrameVerdict;

struct Layers {
    sonde::sonderx::VardoKind vardo;
    sonde::sonderx::PelkinKind pelkin;
    sonde::sonderx::OstrelKind ostrel;
};

void LayersDeleter::operator()(Layers* p) const { delete p; }

LayersPtr layers_make() {
    LayersPtr l(new Layers);
    // The receivers are never fed: only the frame states and the filter.
    sonde::vardo::soft_frame_state_init(l->vardo.frames);
    sonde::pelkin::soft_frame_state_init(l->pelkin.frames);
    sonde::ostrel::soft_frame_state_init(l->ostrel.frames);
    return l;
}

namespace {

constexpr double kSigma = 0.45;
constexpr int kMaxUnits = 1000;

struct Rng {
    uint64_t s;
    uint64_t next() {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
    double uniform(double lo, double hi) { return lo + (hi - lo) * static_cast<double>(next() >> 11) * 0x1.0p-53; }
};

// A frame as sent: its soft frame's units, the body the damage falls on
// (units lo..hi - 1; data units only for wrong decisions) and the bytes the
// record must hold to be the frame sent.
struct Sent {
    SondeKind kind = SondeKind::vardo;
    int type = 0;
    int count = 0;
    unsigned char hard[kMaxUnits] = {};
    int lo = 0, hi = 0;
    int data[kMaxUnits] = {};
    int ndata = 0;
    uint8_t bytes[128] = {};
    int nbytes = 0;
    uint32_t flags = 0;
};

void set_bytes(Sent& s, const uint8_t* b, int n) {
    std::memcpy(s.bytes, b, static_cast<std::size_t>(n));
    s.nbytes = n;
}

// Ten-bit groups g0..g1 - 1 of a frame's bits as its body, data bits the units.
void group_body(Sent& s, int g0, int g1) {
    s.lo = 10 * g0;
    s.hi = 10 * g1;
    s.ndata = 0;
    for (int k = s.lo; k < s.hi; k++)
        if (k % 10 != 0 && k % 10 != 9) s.data[s.ndata++] = k;
}

void bits_from_text(Sent& s, const std::string& bits, int n) {
    s.count = n;
    for (int k = 0; k < n; k++) s.hard[k] = bits[static_cast<std::size_t>(k)] == '1';
}

void encode_vardo(Sent& s, const VardoFrameFields& f);
void encode_pelkin(Sent& s, const PelkinFields& f, int extra, bool deemph);
void encode_ostrel(Sent& s, const OstrelGps& g, uint32_t filler);

// The frame and, in before, the same sonde's frame one second earlier.
void make_vardo(Sent& s, Sent& before, Rng& r) {
    VardoFrameFields f;
    const int form = r.below(3);
    f.type = form == 0 ? 1 : 2;
    f.long_short = form == 2;
    const double lat = r.uniform(-70.0, 70.0), lon = r.uniform(-170.0, 170.0);
    f.lat = vardo_lat_counts(f.type, lat);
    f.lon = vardo_lat_counts(f.type, lon);
    f.alt = static_cast<int32_t>(r.uniform(0.0, 30000.0) * (f.type == 1 ? 1000.0 : 100.0));
    f.tow = static_cast<uint32_t>(1 + r.below(604799)) * (f.type == 1 ? 1000u : 1u);
    f.v_east = vardo_velocity_counts(f.type, r.uniform(-30.0, 30.0));
    f.v_north = vardo_velocity_counts(f.type, r.uniform(-30.0, 30.0));
    f.v_up = vardo_velocity_counts(f.type, r.uniform(-20.0, 20.0));
    f.frame_counter = static_cast<uint8_t>(r.next());
    f.ntc = static_cast<uint16_t>(r.next());
    for (uint8_t& b : f.sn) b = static_cast<uint8_t>(r.next());
    VardoFrameFields earlier = f;
    earlier.tow -= f.type == 1 ? 1000u : 1u;
    earlier.frame_counter--;
    encode_vardo(before, earlier);
    encode_vardo(s, f);
}

void encode_vardo(Sent& s, const VardoFrameFields& f) {
    const std::vector<uint8_t> bytes = vardo_frame_bytes(f);
    const int len = static_cast<int>(bytes.size());
    s.kind = SondeKind::vardo;
    s.type = -1;
    for (int t = 0; t < sonde::vardo::kRobustTypeCount; t++)
        if (sonde::vardo::kRobustTypes[t].b0 == bytes[0] && sonde::vardo::kRobustTypes[t].b1 == bytes[1]) s.type = t;
    // Biphase symbols: data bit 1 repeats the symbol before (0 before the first).
    s.count = 8 * len;
    unsigned char prev = 0;
    for (int j = 0; j < s.count; j++) {
        prev = (bytes[static_cast<std::size_t>(j / 8)] >> (7 - j % 8) & 1) ? prev : prev ^ 1u;
        s.hard[j] = prev;
    }
    s.lo = sonde::vardo::kRobustTypeSymbols;
    s.hi = s.count;
    s.ndata = 0;
    for (int j = s.lo; j < s.hi; j++) s.data[s.ndata++] = j;
    set_bytes(s, bytes.data(), len);
}

void make_pelkin(Sent& s, Sent& before, Rng& r, bool deemph) {
    PelkinFields f;
    f.sats = static_cast<uint8_t>(4 + r.below(10));
    f.lat_e6 = static_cast<int32_t>(r.uniform(-70.0, 70.0) * 1e6);
    f.lon_e6 = static_cast<int32_t>(r.uniform(-170.0, 170.0) * 1e6);
    // Latitude + longitude 0 is how sonderx knows a frame without a fix.
    if (f.lat_e6 + f.lon_e6 == 0) f.lon_e6++;
    f.alt_cm = static_cast<int32_t>(r.uniform(0.0, 3e6));
    f.vel_east = static_cast<int16_t>(r.below(6000) - 3000);
    f.vel_north = static_cast<int16_t>(r.below(6000) - 3000);
    f.vel_up = static_cast<int16_t>(r.below(4000) - 2000);
    f.time = pelkin_time_add_seconds(0, r.below(86400));
    f.spare = static_cast<uint8_t>(r.next());
    // Transmitters send up to a few more preamble groups after the sync word.
    const int extra = r.below(4);
    PelkinFields earlier = f;
    earlier.time = pelkin_time_add_seconds(f.time, -1);
    encode_pelkin(before, earlier, extra, deemph);
    encode_pelkin(s, f, extra, deemph);
}

void encode_pelkin(Sent& s, const PelkinFields& f, int extra, bool deemph) {
    const PelkinFrameBytes bytes = pelkin_frame_bytes(f);
    bits_from_text(s, pelkin_air_bits(bytes, extra).substr(20), sonde::pelkin::kFrameBits);
    s.kind = SondeKind::pelkin;
    s.type = 0;
    s.flags = deemph ? sonde::kSoftFrameDeemphasisUndone : 0u;
    group_body(s, extra, extra + kPelkinFrameBytes - 3);
    set_bytes(s, bytes.data(), kPelkinFrameBytes);
}

void make_ostrel(Sent& s, Sent& before, Rng& r) {
    OstrelGps g;
    g.lat = static_cast<float>(r.uniform(-70.0, 70.0));
    g.lon = static_cast<float>(r.uniform(-170.0, 170.0));
    g.alt_raw = static_cast<uint16_t>(5000 + r.below(30000));
    g.hour = static_cast<uint8_t>(r.below(24));
    g.minute = static_cast<uint8_t>(r.below(60));
    g.second = static_cast<uint8_t>(1 + r.below(59));
    OstrelGps earlier = g;
    earlier.second--;
    encode_ostrel(before, earlier, static_cast<uint32_t>(r.next()));
    encode_ostrel(s, g, static_cast<uint32_t>(r.next()));
}

void encode_ostrel(Sent& s, const OstrelGps& g, uint32_t filler) {
    const auto packet = ostrel_gps_packet(g);
    const std::vector<uint8_t> tx = ostrel_transmission({packet.begin(), packet.end()}, filler);
    bits_from_text(s, ostrel_group_bits(tx), sonde::ostrel::kFrameBits);
    s.kind = SondeKind::ostrel;
    s.type = 0;
    // Groups 2..17: the packet after its start and type bytes.
    group_body(s, 2, sonde::ostrel::kGpsPacketLen);
    set_bytes(s, packet.data(), sonde::ostrel::kGpsPacketLen);
}

void make_sent(Sent& s, Sent& before, Kind k, Rng& r) {
    s.flags = before.flags = 0;
    switch (k) {
        case Kind::vardo:
            return make_vardo(s, before, r);
        case Kind::pelkin:
        case Kind::pelkin_deemph:
            return make_pelkin(s, before, r, k == Kind::pelkin_deemph);
        case Kind::ostrel:
            return make_ostrel(s, before, r);
    }
}

// |v| of a decision the noise left right (right) or made wrong.
double noisy_size(Gaussian& g, bool right) {
    for (;;) {
        const double v = 1.0 + kSigma * gaussian_next(g);
        if ((v > 0.0) == right) return std::fabs(v);
    }
}

// The received soft values of s under the damage; hard decisions from them.
void damage(const Sent& s, const Case& c, Rng& r, Gaussian& g, float* soft, unsigned char* hard) {
    auto sign = [&](int k) { return s.hard[k] ? 1.0 : -1.0; };
    for (int k = 0; k < s.count; k++) soft[k] = static_cast<float>(sign(k) * noisy_size(g, true));
    switch (c.damage) {
        case Damage::errors: {
            const int n = std::min(static_cast<int>(c.amount), s.ndata);
            int pick[kMaxUnits];
            std::copy(s.data, s.data + s.ndata, pick);
            for (int e = 0; e < n; e++) {
                std::swap(pick[e], pick[e + r.below(s.ndata - e)]);
                soft[pick[e]] = static_cast<float>(-sign(pick[e]) * noisy_size(g, false));
            }
            break;
        }
        case Damage::burst: {
            const int len = std::min(static_cast<int>(c.amount), s.hi - s.lo);
            const int at = s.lo + r.below(s.hi - s.lo - len + 1);
            for (int k = at; k < at + len; k++) soft[k] = static_cast<float>(kSigma * gaussian_next(g));
            break;
        }
        case Damage::awgn:
            for (int k = s.lo; k < s.hi; k++) soft[k] = static_cast<float>(sign(k) + c.amount * gaussian_next(g));
            break;
        case Damage::noise:
            for (int k = s.lo; k < s.hi; k++) soft[k] = static_cast<float>(gaussian_next(g));
            break;
    }
    for (int k = 0; k < s.count; k++) hard[k] = soft[k] >= 0.0f;
}

// What sonderx reported of the last frame (nothing for a pelkin frame of
// preamble only).
struct Seen {
    bool reported = false;
    FrameVerdict verdict = FrameVerdict::bad;
    const char* why_bad = "";
};

sonde::sonderx::ReportSink seen_sink(Seen& seen) {
    return {[](void* ctx, const FrameReport& rep) {
                auto& s = *static_cast<Seen*>(ctx);
                s.reported = true;
                s.verdict = rep.verdict;
                s.why_bad = rep.why_bad;
            },
            &seen};
}

struct Outcome {
    bool check = false;  // the frame layer's check passes
    bool same = false;   // the record holds the bytes sent
    Seen seen;
};

// Through the kind's glue, as sonderx hands it a receiver's frame; check:
// whether the frame layer's record passed its check.
template <class K, class Check>
Outcome pass(K& k, const Sent& s, const SoftFrame& f, Check check) {
    Outcome o;
    k.sink = seen_sink(o.seen);
    sonde::sonderx::on_frame(k, f);
    o.check = check(k.record);
    o.same = std::memcmp(k.record.bytes, s.bytes, static_cast<std::size_t>(s.nbytes)) == 0;
    return o;
}

Outcome through(Layers& l, const Sent& s, const SoftFrame& f) {
    switch (s.kind) {
        case SondeKind::vardo:
            return pass(l.vardo, s, f, [](const sonde::vardo::FrameRecord& r) { return r.check_ok; });
        case SondeKind::pelkin:
            return pass(l.pelkin, s, f, [](const sonde::pelkin::FrameRecord& r) { return r.good; });
        case SondeKind::ostrel:
            return pass(l.ostrel, s, f, [](const sonde::ostrel::PacketRecord& r) { return r.is_gps && r.gps.good; });
    }
    return {};
}

}  // namespace

void run_case(Layers& l, const Case& c, long frames, uint64_t seed, Tally& t) {
    Rng r{seed * 0x2545F4914F6CDD1Dull + static_cast<uint64_t>(c.kind) * 131 + static_cast<uint64_t>(c.damage)};
    Gaussian g = gaussian_seeded(r.next());
    auto s = std::make_unique<Sent>();
    auto before = std::make_unique<Sent>();
    std::vector<float> soft(kMaxUnits);
    std::vector<unsigned char> hard(kMaxUnits);
    std::vector<float> clean(kMaxUnits);
    for (long i = 0; i < frames; i++) {
        make_sent(*s, *before, c.kind, r);
        // The sonde's frame before, intact: it sets vardo's position filter,
        // and the frame layers keep its bytes where a frame leaves them.
        l.vardo.filter = sonde::vardo::PositionFilter{};
        for (int k = 0; k < before->count; k++) clean[static_cast<std::size_t>(k)] = before->hard[k] ? 1.0f : -1.0f;
        SoftFrame f{.kind = before->kind, .type = before->type, .count = before->count, .hard = before->hard};
        f.soft = clean.data();
        f.flags = before->flags;
        const Outcome o0 = through(l, *before, f);
        if (!(o0.same && o0.seen.reported && o0.seen.verdict == FrameVerdict::good)) t.clean_not_good++;

        damage(*s, c, r, g, soft.data(), hard.data());
        f.hard = hard.data();
        f.soft = soft.data();
        const Outcome o = through(l, *s, f);
        const bool good = o.seen.reported && o.seen.verdict == FrameVerdict::good;
        t.sent++;
        if (o.check && o.same) {
            t.restored++;
            continue;
        }
        t.beyond++;
        if (!o.check) continue;
        t.check_passed++;
        if (good) t.accepted++;
        if (!good && std::strcmp(o.seen.why_bad, "position jump") == 0) t.position_jump++;
        if (!good && std::strcmp(o.seen.why_bad, "impossible fix") == 0) t.impossible_fix++;
    }
}

const char* kind_name(Kind k) {
    constexpr const char* kNames[kKinds] = {"vardo", "pelkin", "pelkin-deemph", "ostrel"};
    return kNames[static_cast<int>(k)];
}

const char* damage_name(Damage d) {
    constexpr const char* kNames[] = {"errors", "burst", "awgn", "noise"};
    return kNames[static_cast<int>(d)];
}

namespace {
// P(X <= k) for X binomial(n, p), summed in logs.
double binomial_cdf(long k, long n, double p) {
    if (p <= 0.0) return 1.0;
    if (p >= 1.0) return k >= n ? 1.0 : 0.0;
    const double lp = std::log(p), lq = std::log1p(-p);
    double sum = 0.0;
    for (long i = 0; i <= k; i++) {
        const double lc = std::lgamma(n + 1.0) - std::lgamma(i + 1.0) - std::lgamma(static_cast<double>(n - i) + 1.0);
        sum += std::exp(lc + static_cast<double>(i) * lp + static_cast<double>(n - i) * lq);
    }
    return sum;
}
}  // namespace

double upper_bound_95(long k, long n) {
    if (n <= 0) return 1.0;
    if (k >= n) return 1.0;
    double lo = static_cast<double>(k) / static_cast<double>(n), hi = 1.0;
    for (int it = 0; it < 100; it++) {
        const double mid = 0.5 * (lo + hi);
        (binomial_cdf(k, n, mid) > 0.05 ? lo : hi) = mid;
    }
    return hi;
}

}  // namespace corrupt
