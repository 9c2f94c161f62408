#include "sonderx/kind_set.h"

#include "io/sample_rate.h"

namespace sonde::sonderx {

KindSet plan_kinds(const bool* selected, int64_t in_rate_hz) {
    KindSet s;
    for (int k = 0; k < kSondeKinds; k++) {
        KindPlan& p = s.plan[k];
        p.selected = selected[k];
        p.runs = selected[k] && in_rate_hz >= kKindMinRate[k];
        if (!p.runs) continue;
        p.decimation = static_cast<int>((in_rate_hz + kKindUsefulRate[k] - 1) / kKindUsefulRate[k]);
        p.rate_hz = in_rate_hz / p.decimation;
        s.running++;
    }
    return s;
}

std::string unusable_kinds_message(const KindSet& s, int64_t in_rate_hz) {
    std::string names;
    for (int k = 0; k < kSondeKinds; k++) {
        const KindPlan& p = s.plan[k];
        if (!p.selected || p.runs) continue;
        if (!names.empty()) names += ", ";
        names +=
            std::string(sonde_kind_name(static_cast<SondeKind>(k))) + " needs " + format_rate(kKindMinRate[k]) + "Hz";
    }
    if (names.empty()) return "";
    return "at " + format_rate(in_rate_hz) + "Hz these kinds cannot work: " + names +
           " or more (record at 48k, which suits every kind)";
}

}  // namespace sonde::sonderx
