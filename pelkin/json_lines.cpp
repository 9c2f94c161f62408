#include "pelkin/json_lines.h"

#include <cstdio>

#include "format/json_writer.h"

namespace sonde::pelkin {

void format_json_line(LineBuf& line, const FrameRecord& r, const FormatFlags& f) {
    const Datum& d = r.datum;
    JsonLine j(line);
    json_string(j, "decoder", "pelkin");
    json_bool(j, "ok", r.good);
    const Clock c = split_date_time(d);
    if (d.date >= 0 && d.time >= 0 &&
        is_calendar_time(2000 + c.year, c.month, c.day, c.hours, c.minutes, c.ms / 1000)) {
        char text[40];
        std::snprintf(text, sizeof text, "20%02d-%02d-%02dT%02d:%02d:%02d.%03dZ", c.year, c.month, c.day, c.hours,
                      c.minutes, c.ms / 1000, c.ms % 1000);
        json_string(j, "datetime", text);
    }
    json_double(j, "lat", d.lat_e6 / 1000000);
    json_double(j, "lon", d.lon_e6 / 1000000);
    json_double(j, "alt", d.alt_cm / 100);
    json_double(j, "vel_h", d.speed_h);
    json_double(j, "heading", d.course);
    json_double(j, "vel_v", d.speed_v);
    json_int(j, "sats", d.sats);
    json_int(j, "fix", d.fix);
    json_hex16(j, "crc", static_cast<unsigned>(r.crc_stored));
    json_hex16(j, "crc_calc", static_cast<unsigned>(r.crc_computed));
    if (f.with_raw) json_bytes(j, "raw", r.bytes, pos_CRC + 2);
    json_quality(j, r.quality);
    json_end(j);
}

}  // namespace sonde::pelkin
