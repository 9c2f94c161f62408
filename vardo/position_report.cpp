#include "vardo/position_report.h"

#include "vardo/json_lines.h"
#include "vardo/report_lines.h"

namespace sonde::vardo {

namespace {

// Temperatures at or below this are no reading.
constexpr float kNoTemperatureBelow = -270.0f;

// Decodes the fields of the record's frame (from its layout's positions)
// into the record; false for a type other than 1 and 2.
bool decode_fields(VardoDecoder& v, FrameRecord& r) {
    const uint8_t* fb = r.bytes;
    const FrameLayout& l = r.layout;
    const int type = r.layout.type;
    get_GPStime(v.datum, fb, l, type);
    get_GPSpos(v.datum, fb, l, type);
    const bool known = type == 1 || type == 2;
    if (type == 2) {
        get_GPSvel2(v.datum, fb, l);
        get_SN2(v.datum, fb, l);
    } else if (type == 1) {
        get_GPSvel1(v.datum, fb, l);
        get_SN1(v.datum, fb, l);
    }
    r.frame_counter = fb[l.pos_frame];
    // A frame too short to carry the reading, or a reading out of range,
    // has no temperature.
    if (kPosThermistor + 2 <= check_pos(l)) {
        r.temperature = get_Tntc0(fb, kPosThermistor);
        r.has_temperature = r.temperature > kNoTemperatureBelow;
    }
    r.datum = v.datum;
    return known;
}

void write_report(VardoDecoder& v, const FrameRecord& r) {
    if (v.opt.option_json) {
        report_json(v.line, r, v.opt.option_raw != 0);
        line_flush(v.line, v.out_fd);
        return;
    }
    if (v.opt.option_color)
        report_color(v.line, r, v.opt.option_verbose);
    else if (v.opt.option_csv)
        report_csv(v.line, r);
    else
        report_plain(v.line, r, v.opt.option_verbose);
    line_putc(v.line, '\n');
    line_flush(v.line, v.out_fd);
}

}  // namespace

void report_frame(VardoDecoder& v, FrameRecord& r) {
    const bool known = decode_fields(v, r);
    // The filter follows every frame, also those that are not written.
    r.ok = r.check_ok;
    if (position_filter_jump(v.filter, v.datum.latitude, v.datum.longitude)) r.ok = false;
    if (!known) return;
    if (!r.ok && v.opt.option_good) return;
    if (r.ok) position_filter_confirm(v.filter);
    write_report(v, r);
    if (v.opt.option_saveframes && r.ok) save_frame(v.saving, v.datum, r.bytes, r.layout.FRAME_LEN);
}

}  // namespace sonde::vardo
