#include "sonderx/carrier_table.h"

#include <cstdio>
#include <cstring>

#include "io/line_out.h"

namespace sonde::sonderx {

int carrier_open(CarrierTable& t, double offset_hz) {
    if (t.count >= kCarrierRows) {
        t.unlisted++;
        return -1;
    }
    CarrierRow& r = t.rows[t.count];
    r = CarrierRow{};
    r.offset_hz = offset_hz;
    return t.count++;
}

void carrier_close(CarrierTable& t, int row) {
    if (row >= 0 && row < t.count) t.rows[row].open = false;
}

void carrier_frame(CarrierTable& t, int row, const FrameReport& f, bool confirms) {
    if (row < 0 || row >= t.count) return;
    CarrierRow& r = t.rows[row];
    if (f.from_iq) r.offset_hz = f.offset_hz;
    if (confirms) {
        r.kind = static_cast<int>(f.kind);
        if (f.serial[0] != '\0') std::snprintf(r.serial, sizeof r.serial, "%s", f.serial);
    }
    if (f.verdict == FrameVerdict::good) {
        r.good++;
        r.snr_sum_db += f.snr_db;
    } else if (f.verdict == FrameVerdict::bad) {
        r.bad++;
    }
}

void carrier_table_write(int fd, const CarrierTable& t, int64_t center_hz) {
    fd_printf(fd, "  %-13s %-6s %-11s %6s %6s %7s\n", center_hz > 0 ? "MHz" : "kHz", "kind", "serial", "good", "bad",
              "SNR dB");
    for (int i = 0; i < t.count; i++) {
        const CarrierRow& r = t.rows[i];
        char where[48];
        if (center_hz > 0)
            std::snprintf(where, sizeof where, "%.4f", (static_cast<double>(center_hz) + r.offset_hz) / 1e6);
        else
            std::snprintf(where, sizeof where, "%+.1f", r.offset_hz / 1e3);
        char snr[32] = "-";
        if (r.good > 0) std::snprintf(snr, sizeof snr, "%.1f", r.snr_sum_db / static_cast<double>(r.good));
        const char* kind = r.kind >= 0 ? sonde_kind_name(static_cast<SondeKind>(r.kind)) : "?";
        fd_printf(fd, "  %-13s %-6s %-11s %6lld %6lld %7s%s\n", where, kind, r.serial[0] != '\0' ? r.serial : "-",
                  static_cast<long long>(r.good), static_cast<long long>(r.bad), snr, r.open ? "" : "  (gone)");
    }
    if (t.unlisted > 0)
        fd_printf(fd, "  and %lld more carrier%s\n", static_cast<long long>(t.unlisted), t.unlisted == 1 ? "" : "s");
}

}  // namespace sonde::sonderx
