#include "sonderx/text_lines.h"

#include <initializer_list>

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

// A missing value: a grey "-" in its width, right-aligned as the numbers
// (width > 0) or left-aligned as the words (width < 0).
void missing(const Painter& p, int width) {
    p.paint(kGrey);
    line_printf(p.line, "%*s", width, "-");
    p.reset();
}

// A word left-aligned in its width, or the dash where it is empty.
void word_or_missing(const Painter& p, const char* word, int width) {
    if (word[0] != '\0')
        line_printf(p.line, "%-*s", width, word);
    else
        missing(p, -width);
}

// Each of the widths' columns missing, a space before each.
void missing_columns(const Painter& p, std::initializer_list<int> widths) {
    for (int w : widths) {
        line_putc(p.line, ' ');
        missing(p, w);
    }
}

}  // namespace

void text_header(LineBuf& line, bool color, CarrierColumns carrier) {
    const Painter p{line, color};
    p.paint(kGrey);
    line_printf(line, "%-24s %-6s %-11s %5s %10s %11s %8s %6s %5s %6s %4s %5s", "utc", "kind", "serial", "frame", "lat",
                "lon", "alt_m", "vh_m/s", "head", "vv_m/s", "sats", "snr");
    if (carrier == CarrierColumns::frequency)
        line_printf(line, " %10s %6s", "freq_MHz", "dBFS");
    else if (carrier == CarrierColumns::offset)
        line_printf(line, " %9s %6s", "offs_kHz", "dBFS");
    p.reset();
    line_putc(line, '\n');
}

void text_line(LineBuf& line, const FrameReport& r, bool color, bool with_mark, CarrierColumns carrier) {
    const Painter p{line, color};
    const bool pos = r.has_position;
    word_or_missing(p, r.when, 24);
    line_putc(line, ' ');
    p.paint(kKindColor[static_cast<int>(r.kind)]);
    line_printf(line, "%-6s", sonde_kind_name(r.kind));
    p.reset();
    line_putc(line, ' ');
    word_or_missing(p, r.serial, 11);
    line_putc(line, ' ');
    if (r.frame >= 0)
        line_printf(line, "%5d", r.frame);
    else
        missing(p, 5);
    if (pos)
        line_printf(line, " %10.6f %11.6f %8.1f", r.lat, r.lon, r.alt);
    else
        missing_columns(p, {10, 11, 8});
    if (pos && r.has_velocity)
        line_printf(line, " %6.1f %5.1f %6.1f", r.vel_h, r.heading, r.vel_v);
    else
        missing_columns(p, {6, 5, 6});
    line_putc(line, ' ');
    if (r.sats >= 0)
        line_printf(line, "%4d", r.sats);
    else
        missing(p, 4);
    line_printf(line, " %5.1f", r.snr_db);
    if (carrier == CarrierColumns::frequency && r.has_freq)
        line_printf(line, " %10.6f %6.1f", r.freq_hz * 1e-6, r.level_dbfs);
    else if (carrier == CarrierColumns::offset)
        line_printf(line, " %+9.3f %6.1f", r.offset_hz * 1e-3, r.level_dbfs);
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
