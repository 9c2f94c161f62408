#include "sonderx/summary.h"

#include <cstdio>

#include "io/line_out.h"

namespace sonde::sonderx {

void summary_count(Summary& s, const FrameReport& r) {
    KindCounts& c = s.kind[static_cast<int>(r.kind)];
    switch (r.verdict) {
        case FrameVerdict::good:
            c.good++;
            if (r.corrected > 0) c.corrected++;
            break;
        case FrameVerdict::bad:
            c.bad++;
            break;
        case FrameVerdict::no_position:
            c.no_position++;
            break;
    }
}

void summary_write(int fd, const Summary& s, const KindSet& kinds, int64_t samples, int64_t rate_hz, double cpu_s) {
    const double audio_s = rate_hz > 0 ? static_cast<double>(samples) / static_cast<double>(rate_hz) : 0.0;
    // Whole tenths first, so that 599.99 s shows as 10:00.0, not 9:60.0;
    // hours from an hour on.
    const auto tenths = static_cast<int64_t>(audio_s * 10.0 + 0.5);
    const auto hours = static_cast<long long>(tenths / 36000);
    const auto minutes = static_cast<int>(tenths / 600 % 60);
    const double seconds = static_cast<double>(tenths % 600) / 10.0;
    char clock[48];
    if (hours > 0)
        std::snprintf(clock, sizeof clock, "%lld:%02d:%04.1f", hours, minutes, seconds);
    else
        std::snprintf(clock, sizeof clock, "%d:%04.1f", minutes, seconds);
    char speed[64] = "";
    if (cpu_s > 0.0 && audio_s > 0.0) std::snprintf(speed, sizeof speed, ", %.0f times real time", audio_s / cpu_s);
    fd_printf(fd, "sonderx: %s of %s (%.1f s) decoded in %.2f s of CPU%s\n", clock, s.iq ? "I/Q samples" : "audio",
              static_cast<double>(tenths) / 10.0, cpu_s, speed);
    if (s.iq)
        fd_printf(fd, "  %lld carrier%s heard, %lld frame%s taken for images or duplicates\n",
                  static_cast<long long>(s.carriers), s.carriers == 1 ? "" : "s", static_cast<long long>(s.suppressed),
                  s.suppressed == 1 ? "" : "s");
    for (int k = 0; k < kSondeKinds; k++) {
        if (!kinds.plan[k].runs) continue;
        const KindCounts& c = s.kind[k];
        char extra[64] = "";
        if (c.no_position > 0)
            std::snprintf(extra, sizeof extra, ", %lld without position", static_cast<long long>(c.no_position));
        fd_printf(fd, "  %-6s %6lld good (%lld corrected), %lld bad%s\n", sonde_kind_name(static_cast<SondeKind>(k)),
                  static_cast<long long>(c.good), static_cast<long long>(c.corrected), static_cast<long long>(c.bad),
                  extra);
    }
}

}  // namespace sonde::sonderx
