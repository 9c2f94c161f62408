#include "sonderx/output.h"

#include <cerrno>
#include <cmath>

#include "format/json_writer.h"

#include "sonderx/csv_rows.h"
#include "sonderx/text_lines.h"

namespace sonde::sonderx {

namespace {

bool write_line(Output& o) {
    if (o.failed) return false;
    if (o.before_write) o.before_write(o.ctx);
    LineBuf& l = *o.line;
    if (l.len > 0 && !write_all(o.fd, l.text, l.len)) {
        o.failed = true;
        o.error_no = errno;
    }
    l.len = 0;
    return !o.failed;
}

// The kind's JSON line gains the carrier's keys before its closing brace.
void add_carrier_keys(Output& o, const FrameReport& r) {
    LineBuf& l = *o.line;
    if (l.len < 3 || l.text[l.len - 2] != '}' || l.text[l.len - 1] != '\n') return;
    if (!o.keys) o.keys = std::make_unique<LineBuf>();
    LineBuf& k = *o.keys;
    k.len = 0;
    JsonLine j(k);
    json_double(j, "offset_hz", std::round(r.offset_hz));
    if (r.has_freq) json_double(j, "freq_hz", std::round(r.freq_hz));
    json_double(j, "level_dbfs", std::round(r.level_dbfs * 10.0) / 10.0);
    json_end(j);
    l.len -= 2;
    line_putc(l, ',');
    line_append(l, k.text + 1, k.len - 1);  // without its "{"
}

}  // namespace

bool output_selects(const Output& o, const FrameReport& r) { return o.all || r.verdict == FrameVerdict::good; }

void output_start(Output& o) {
    if (o.started) return;
    o.started = true;
    if (o.form == OutputForm::csv)
        csv_header(*o.line, o.carrier != CarrierColumns::none);
    else if (o.form == OutputForm::text && o.header)
        text_header(*o.line, o.color, o.carrier);
    write_line(o);
}

bool output_frame(Output& o, const FrameReport& r) {
    if (o.failed) return false;
    if (!output_selects(o, r)) return true;
    output_start(o);
    switch (o.form) {
        case OutputForm::text:
            text_line(*o.line, r, o.color, o.all, o.carrier);
            break;
        case OutputForm::csv:
            csv_row(*o.line, r, o.carrier != CarrierColumns::none);
            break;
        case OutputForm::json:
            r.json(*o.line, r.record);
            if (r.from_iq) add_carrier_keys(o, r);
            break;
    }
    return write_line(o);
}

}  // namespace sonde::sonderx
