#include "sonderx/text_lines.h"

namespace sonde::sonderx {

namespace {

// ANSI colours: a steady one per kind, green for good, red for bad, grey
// for what is missing.
constexpr const char* kReset = "\033[0m";
constexpr const char* kGrey = "\033[90m";
constexpr const char* kGreen = "\033[32m";
constexpr const char* kRed = "\033[31m";
constexpr const char* kKindColor[kSondeKinds] = {"\033[36m", "\033[35m", "\033[33m"};

struct Painter {
    LineBuf& line;
    bool on;
    void paint(const char* code) const {
        if (on) line_puts(line, code);
    }
    void reset() const { paint(kReset); }
};

// A missing value: "-" right-aligned in its width.
void missing(const Painter& p, int width) {
    p.paint(kGrey);
    line_printf(p.line, "%*s", width, "-");
    p.reset();
}

}  // namespace

void text_header(LineBuf& line, bool color) {
    const Painter p{line, color};
    p.paint(kGrey);
    line_printf(line, "%-24s %-6s %-11s %5s %10s %11s %8s %6s %5s %6s %4s %5s", "utc", "kind", "serial", "frame", "lat",
                "lon", "alt_m", "vh_m/s", "head", "vv_m/s", "sats", "snr");
    p.reset();
    line_putc(line, '\n');
}

void text_line(LineBuf& line, const FrameReport& r, bool color, bool with_mark) {
    const Painter p{line, color};
    const bool pos = r.has_position;
    if (r.when[0] != '\0')
        line_printf(line, "%-24s", r.when);
    else {
        p.paint(kGrey);
        line_printf(line, "%-24s", "-");
        p.reset();
    }
    line_putc(line, ' ');
    p.paint(kKindColor[static_cast<int>(r.kind)]);
    line_printf(line, "%-6s", sonde_kind_name(r.kind));
    p.reset();
    line_putc(line, ' ');
    if (r.serial[0] != '\0')
        line_printf(line, "%-11s", r.serial);
    else {
        p.paint(kGrey);
        line_printf(line, "%-11s", "-");
        p.reset();
    }
    line_putc(line, ' ');
    if (r.frame >= 0)
        line_printf(line, "%5d", r.frame);
    else
        missing(p, 5);
    if (pos) {
        line_printf(line, " %10.6f %11.6f %8.1f", r.lat, r.lon, r.alt);
    } else {
        line_putc(line, ' ');
        missing(p, 10);
        line_putc(line, ' ');
        missing(p, 11);
        line_putc(line, ' ');
        missing(p, 8);
    }
    if (pos && r.has_velocity) {
        line_printf(line, " %6.1f %5.1f %6.1f", r.vel_h, r.heading, r.vel_v);
    } else {
        line_putc(line, ' ');
        missing(p, 6);
        line_putc(line, ' ');
        missing(p, 5);
        line_putc(line, ' ');
        missing(p, 6);
    }
    line_putc(line, ' ');
    if (r.sats >= 0)
        line_printf(line, "%4d", r.sats);
    else
        missing(p, 4);
    line_printf(line, " %5.1f", r.snr_db);
    if (with_mark) {
        line_putc(line, ' ');
        switch (r.verdict) {
            case FrameVerdict::good:
                p.paint(kGreen);
                line_puts(line, "good");
                break;
            case FrameVerdict::bad:
                p.paint(kRed);
                line_printf(line, "BAD (%s)", r.why_bad);
                break;
            case FrameVerdict::no_position:
                p.paint(kGrey);
                if (r.packet_type >= 0)
                    line_printf(line, "no position (packet type %d)", r.packet_type);
                else
                    line_puts(line, "no position (no GPS fix)");
                break;
        }
        p.reset();
    }
    line_putc(line, '\n');
}

}  // namespace sonde::sonderx
