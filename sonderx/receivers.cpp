#include "sonderx/receivers.h"

namespace sonde::sonderx {

namespace {

// Calls f with the kind's receiver.
template <class F>
void with_kind(Receivers& r, SondeKind kind, F&& f) {
    switch (kind) {
        case SondeKind::vardo:
            f(r.vardo);
            break;
        case SondeKind::pelkin:
            f(r.pelkin);
            break;
        case SondeKind::ostrel:
            f(r.ostrel);
            break;
    }
}

}  // namespace

void receivers_init(Receivers& r, const KindSet& s, int64_t in_rate_hz) {
    r.kinds = s;
    for (int k = 0; k < kSondeKinds; k++) {
        const KindPlan& p = s.plan[k];
        if (!p.runs) continue;
        with_kind(r, static_cast<SondeKind>(k), [&](auto& kind) {
            kind = std::make_unique<typename std::remove_reference_t<decltype(kind)>::element_type>();
            kind_init(*kind, p.rate_hz);
        });
        if (p.decimation == 1) continue;
        for (int j = 0; j < k; j++)
            if (s.plan[j].runs && s.plan[j].decimation == p.decimation && r.shares[j] < 0) r.shares[k] = j;
        if (r.shares[k] >= 0) continue;
        decimator_init(r.decimator[k], p.decimation, in_rate_hz, kStreamBlock);
        r.decimated[k] = std::make_unique<float[]>(kStreamBlock / p.decimation + 1);
    }
}

void receivers_feed(Receivers& r, const float* x, int n, const ReportSink& sink) {
    for (int k = 0; k < kSondeKinds; k++) {
        const KindPlan& p = r.kinds.plan[k];
        if (!p.runs) continue;
        const float* in = x;
        int m = n;
        if (p.decimation > 1) {
            const int from = r.shares[k] >= 0 ? r.shares[k] : k;
            if (from == k) r.decimated_n[k] = decimator_run(r.decimator[k], x, n, r.decimated[k].get());
            in = r.decimated[from].get();
            m = r.decimated_n[from];
        }
        with_kind(r, static_cast<SondeKind>(k), [&](auto& kind) { kind_feed(*kind, in, m, sink); });
    }
}

void receivers_feed_kind(Receivers& r, SondeKind kind, const float* x, int n, const ReportSink& sink) {
    if (!r.kinds.plan[static_cast<int>(kind)].runs) return;
    with_kind(r, kind, [&](auto& k) { kind_feed(*k, x, n, sink); });
}

}  // namespace sonde::sonderx
