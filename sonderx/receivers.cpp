#include "sonderx/receivers.h"

namespace sonde::sonderx {

void receivers_init(Receivers& r, const KindSet& s, int64_t in_rate_hz) {
    r.kinds = s;
    for (int k = 0; k < kSondeKinds; k++) {
        const KindPlan& p = s.plan[k];
        if (!p.runs) continue;
        switch (static_cast<SondeKind>(k)) {
            case SondeKind::vardo:
                r.vardo = std::make_unique<VardoKind>();
                vardo_kind_init(*r.vardo, p.rate_hz);
                break;
            case SondeKind::pelkin:
                r.pelkin = std::make_unique<PelkinKind>();
                pelkin_kind_init(*r.pelkin, p.rate_hz);
                break;
            case SondeKind::ostrel:
                r.ostrel = std::make_unique<OstrelKind>();
                ostrel_kind_init(*r.ostrel, p.rate_hz);
                break;
        }
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
        switch (static_cast<SondeKind>(k)) {
            case SondeKind::vardo:
                vardo_kind_feed(*r.vardo, in, m, sink);
                break;
            case SondeKind::pelkin:
                pelkin_kind_feed(*r.pelkin, in, m, sink);
                break;
            case SondeKind::ostrel:
                ostrel_kind_feed(*r.ostrel, in, m, sink);
                break;
        }
    }
}

}  // namespace sonde::sonderx
