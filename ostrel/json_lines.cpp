#include "ostrel/json_lines.h"

#include <cstdio>

#include "format/json_writer.h"

namespace sonde::ostrel {

void format_json_line(LineBuf& line, const PacketRecord& r, const FormatFlags& f) {
    JsonLine j(line);
    json_string(j, "decoder", "ostrel");
    if (!r.is_gps) {
        json_int(j, "packet_type", r.packet_type);
        json_bytes(j, "raw", r.bytes, r.count);
        json_end(j);
        return;
    }
    const GpsRecord& g = r.gps;
    json_bool(j, "ok", g.good);
    // The packet carries no date: a time of day when it is one.
    if (is_calendar_time(2000, 1, 1, g.hour, g.minute, g.second)) {
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", g.hour, g.minute, g.second);
        json_string(j, "time", text);
    }
    json_float(j, "lat", g.lat);
    json_float(j, "lon", g.lon);
    json_int(j, "alt", g.alt);
    json_hex16(j, "crc", static_cast<unsigned>(g.crc_stored));
    json_hex16(j, "crc_calc", static_cast<unsigned>(g.crc_computed));
    if (f.with_raw) json_bytes(j, "raw", r.bytes, r.count);
    json_quality(j, r.quality);
    json_end(j);
}

}  // namespace sonde::ostrel
