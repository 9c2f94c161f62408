#include "vardo/position_report.h"

#include "vardo/report_lines.h"

namespace {

int decode_fields(VardoDecoder& v, int type) {
    const uint8_t* fb = v.buf.frame_bytes;
    const FrameLayout& l = v.layout;
    int err = get_GPStime(v.datum, fb, l, type) | get_GPSpos(v.datum, fb, l, type);
    if (type == 2) {
        err |= get_GPSvel2(v.datum, fb, l) | get_SN2(v.datum, fb, l);
    } else if (type == 1) {
        err |= get_GPSvel1(v.datum, fb, l) | get_SN1(v.datum, fb, l);
    } else {
        err = 1;
    }
    return err;
}

}  // namespace

int print_pos(VardoDecoder& v, int good) {
    FrameLayout& l = v.layout;
    const int type = get_type(l, v.buf.frame_bytes);
    l.type = type;
    const int err = decode_fields(v, type);

    int ok = good;
    if (position_filter_jump(v.filter, v.datum.latitude, v.datum.longitude)) ok = 0;
    if (err) return err;
    if (!ok && v.opt.option_good) return 0;
    if (ok) position_filter_confirm(v.filter);

    ReportLine r;
    r.d = &v.datum;
    r.frame_counter = v.buf.frame_bytes[l.pos_frame];
    r.type = type;
    r.ok = ok;
    r.verbose = v.opt.option_verbose;
    // A frame too short to carry the reading shows no temperature.
    if (r.verbose == 2 && kPosThermistor + 2 <= check_pos(l)) {
        r.has_temperature = true;
        r.temperature = get_Tntc0(v.buf.frame_bytes, kPosThermistor);
    }
    if (v.opt.option_color)
        report_color(v.line, r);
    else if (v.opt.option_csv)
        report_csv(v.line, r);
    else
        report_plain(v.line, r);
    line_putc(v.line, '\n');
    line_flush(v.line, v.out_fd);

    if (v.opt.option_saveframes && ok) save_frame(v.saving, v.datum, v.buf.frame_bytes, l.FRAME_LEN);
    return 0;
}
