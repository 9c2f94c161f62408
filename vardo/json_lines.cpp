#include "vardo/json_lines.h"

#include <cstdio>

#include "format/json_writer.h"

namespace sonde::vardo {

void report_json(LineBuf& line, const FrameRecord& r, const FormatFlags& f) {
    const Datum& d = r.datum;
    JsonLine j(line);
    json_string(j, "decoder", "vardo");
    json_bool(j, "ok", r.ok);
    json_bool(j, "check_ok", r.check_ok);
    json_int(j, "frame_type", r.layout.type);
    json_hex16(j, "type_bytes", r.type_bytes);
    json_int(j, "frame", r.frame_counter);
    json_string(j, "id", d.sonde_id);
    if (is_calendar_time(d.year, d.month, d.day, d.hour, d.minute, d.second)) {
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", d.year, d.month, d.day, d.hour, d.minute,
                      d.second);
        json_string(j, "datetime", text);
    }
    json_double(j, "lat", d.latitude);
    json_double(j, "lon", d.longitude);
    json_double(j, "alt", d.altitude);
    json_double(j, "vel_h", d.speed_h);
    json_double(j, "heading", d.course);
    json_double(j, "vel_v", d.speed_v);
    if (r.has_temperature) json_float(j, "temp", r.temperature);
    json_hex16(j, "crc", r.check_stored);
    json_hex16(j, "crc_calc", r.check_computed);
    if (f.with_raw) json_bytes(j, "raw", r.bytes, hex_byte_count(r));
    json_quality(j, r.quality);
    json_end(j);
}

}  // namespace sonde::vardo
