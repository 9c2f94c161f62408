#include "sonderx/output.h"

#include <cerrno>

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

}  // namespace

bool output_selects(const Output& o, const FrameReport& r) { return o.all || r.verdict == FrameVerdict::good; }

void output_start(Output& o) {
    if (o.started) return;
    o.started = true;
    if (o.form == OutputForm::csv)
        csv_header(*o.line);
    else if (o.form == OutputForm::text && o.header)
        text_header(*o.line, o.color);
    write_line(o);
}

bool output_frame(Output& o, const FrameReport& r) {
    if (o.failed) return false;
    if (!output_selects(o, r)) return true;
    output_start(o);
    switch (o.form) {
        case OutputForm::text:
            text_line(*o.line, r, o.color, o.all);
            break;
        case OutputForm::csv:
            csv_row(*o.line, r);
            break;
        case OutputForm::json:
            r.json(*o.line, r.record);
            break;
    }
    return write_line(o);
}

}  // namespace sonde::sonderx
