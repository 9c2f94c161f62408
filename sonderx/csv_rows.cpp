#include "sonderx/csv_rows.h"

namespace sonde::sonderx {

void csv_header(LineBuf& line, bool carrier) {
    line_puts(line, "utc,kind,serial,frame,lat,lon,alt_m,vel_h_ms,heading_deg,vel_v_ms,sats,snr_db,ok,note");
    line_puts(line, carrier ? ",offset_hz,freq_hz,level_dbfs\n" : "\n");
}

void csv_row(LineBuf& line, const FrameReport& r, bool carrier) {
    const bool pos = r.has_position;
    line_printf(line, "%s,%s,%s,", r.when, sonde_kind_name(r.kind), r.serial);
    if (r.frame >= 0) line_printf(line, "%d", r.frame);
    if (pos)
        line_printf(line, ",%.6f,%.6f,%.1f", r.lat, r.lon, r.alt);
    else
        line_puts(line, ",,,");
    if (pos && r.has_velocity)
        line_printf(line, ",%.2f,%.1f,%.2f", r.vel_h, r.heading, r.vel_v);
    else
        line_puts(line, ",,,");
    line_putc(line, ',');
    if (r.sats >= 0) line_printf(line, "%d", r.sats);
    line_printf(line, ",%.1f,%s,", r.snr_db, r.verdict == FrameVerdict::good ? "true" : "false");
    switch (r.verdict) {
        case FrameVerdict::good:
            break;
        case FrameVerdict::bad:
            line_printf(line, "bad %s", r.why_bad);
            break;
        case FrameVerdict::no_position:
            if (r.packet_type >= 0)
                line_printf(line, "no position: packet type %d", r.packet_type);
            else
                line_puts(line, "no position: no GPS fix");
            break;
    }
    if (carrier) {
        line_printf(line, ",%.0f,", r.offset_hz);
        if (r.has_freq) line_printf(line, "%.0f", r.freq_hz);
        line_printf(line, ",%.1f", r.level_dbfs);
    }
    line_putc(line, '\n');
}

}  // namespace sonde::sonderx
