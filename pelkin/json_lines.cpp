#include "pelkin/json_lines.h"

#include <cstdio>

#include "format/json_writer.h"

namespace sonde::pelkin {

void format_json_line(LineBuf& line, const FrameRecord& r, const FormatFlags& f) {
    const Datum& d = r.datum;
    JsonLine j(line);
    json_string(j, "decoder", "pelkin");
    json_bool(j, "ok", r.good);
    // DDMMYY and HHMM with milliseconds in the minute: 123456789 is 12:34:56.789.
    const int day = d.date / 10000, month = d.date % 10000 / 100, year = d.date % 100;
    const int hour = d.time / 10000000, minute = d.time % 10000000 / 100000, ms = d.time % 100000;
    if (d.date >= 0 && d.time >= 0 && is_calendar_time(2000 + year, month, day, hour, minute, ms / 1000)) {
        char text[40];
        std::snprintf(text, sizeof text, "20%02d-%02d-%02dT%02d:%02d:%02d.%03dZ", year, month, day, hour, minute,
                      ms / 1000, ms % 1000);
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
