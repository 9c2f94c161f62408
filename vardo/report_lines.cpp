#include "vardo/report_lines.h"

#include <cstring>

#include "vardo/options.h"

namespace sonde::vardo {

namespace {

Verbosity verbosity(const FormatFlags& f) { return static_cast<Verbosity>(f.verbose); }

void temperature_part(LineBuf& line, const FrameRecord& r, const FormatFlags& f) {
    if (verbosity(f) == Verbosity::temperature && r.has_temperature)
        line_printf(line, "  (T0:%.1fC)", static_cast<double>(r.temperature));
}

constexpr const char* kGrey = "\033[38;5;244m";

bool in_field(int i, int start, int width) { return i >= start && i < start + width; }

// Writes, in the fixed order of the colour map, the colour of every field
// that holds byte i; the last one written wins.
void field_colours(LineBuf& line, int i, const FrameLayout& l, int type) {
    if (in_field(i, l.pos_frame, 1)) line_puts(line, "\033[38;5;44m");
    if (in_field(i, l.pos_GPSTOW, 5 - type)) line_puts(line, "\033[38;5;27m");
    if (in_field(i, l.pos_GPSlat, 4)) line_puts(line, "\033[38;5;34m");
    if (in_field(i, l.pos_GPSlon, 4)) line_puts(line, "\033[38;5;70m");
    if (in_field(i, l.pos_GPSalt, 5 - type)) line_puts(line, "\033[38;5;82m");
    if (in_field(i, l.pos_GPSweek, 2)) line_puts(line, "\033[38;5;20m");
    if (type == 2) {
        if (in_field(i, l.pos_GPSvE, 2)) line_puts(line, "\033[38;5;36m");
        if (in_field(i, l.pos_GPSvN, 2)) line_puts(line, "\033[38;5;36m");
        if (in_field(i, l.pos_GPSvU, 2)) line_puts(line, "\033[38;5;36m");
    } else if (in_field(i, l.pos_GPSvO, 6)) {
        line_puts(line, "\033[38;5;36m");
    }
    if (in_field(i, l.pos_SN, 3)) line_puts(line, "\033[38;5;1m");
    if (in_field(i, check_pos(l), 2)) line_puts(line, "\033[38;5;11m");
}

}  // namespace

void report_plain(LineBuf& line, const FrameRecord& r, const FormatFlags& f) {
    const Datum& d = r.datum;
    line_printf(line, "ID: %s ", d.sonde_id);
    line_printf(line, "frame: %3d ", r.frame_counter);
    line_printf(line, "date: %04d-%02d-%02d time: (%02d:%02d:%02d) ", d.year, d.month, d.day, d.hour, d.minute,
                d.second);
    line_printf(line, " lat: %.6f ", d.latitude);
    line_printf(line, " lon: %.6f ", d.longitude);
    line_printf(line, " alt: % 6.2f ", d.altitude);
    line_printf(line, "  vH: % 6.1f km/h  D: % 6.1f\xC2\xB0  vV: % 6.1f m/s ", d.speed_h, d.course, d.speed_v);
    if (verbosity(f) != Verbosity::quiet) line_printf(line, "  # %s", r.ok ? "OK" : "NO");
    temperature_part(line, r, f);
    line_putc(line, '\n');
}

void report_color(LineBuf& line, const FrameRecord& r, const FormatFlags& f) {
    const Datum& d = r.datum;
    line_printf(line, "ID: \033[38;5;1m%s \033[38;5;244m", d.sonde_id);
    line_printf(line, "frame: \033[38;5;44m%3d \033[38;5;244m", r.frame_counter);
    line_printf(line, "date: \033[38;5;94m%04d-%02d-%02d\033[38;5;244m time: \033[38;5;27m%02d:%02d:%02d\033[38;5;244m",
                d.year, d.month, d.day, d.hour, d.minute, d.second);
    line_printf(line, " lat: \033[38;5;34m%.6f\033[38;5;244m\xC2\xB0 ", d.latitude);
    line_printf(line, " lon: \033[38;5;70m%.6f\033[38;5;244m\xC2\xB0 ", d.longitude);
    line_printf(line, " alt: \033[38;5;82m% 6.1f\033[38;5;244mm ", d.altitude);
    line_printf(line,
                "  vH: \033[38;5;36m% 6.1f\033[38;5;244m km/h  D: \033[38;5;36m% 6.1f\xC2\xB0\033[38;5;244m  vV: "
                "\033[38;5;36m% 6.1f\033[38;5;244m m/s",
                d.speed_h, d.course, d.speed_v);
    if (verbosity(f) != Verbosity::quiet)
        line_printf(line, "  # %s", r.ok ? "\033[38;5;2m[OK]\033[38;5;244m" : "\033[38;5;1m[NO]\033[38;5;244m");
    temperature_part(line, r, f);
    line_puts(line, "\033[0m\n");
}

void report_csv(LineBuf& line, const FrameRecord& r, const FormatFlags&) {
    const Datum& d = r.datum;
    line_printf(line, "%3d", r.frame_counter);
    line_printf(line, ",%d%s,", r.layout.type, d.serial);
    line_printf(line, "%04d-%02d-%02d,%02d:%02d:%02d,", d.year, d.month, d.day, d.hour, d.minute, d.second);
    line_printf(line, "%.5f,", d.latitude);
    line_printf(line, "%.5f,", d.longitude);
    line_printf(line, "%.2f,", d.altitude);
    line_printf(line, "%.1f,%.1f,%.1f,", d.speed_h, d.course, d.speed_v);
    line_puts(line, r.ok ? "OK\n" : "FAIL\n");
}

void hex_line_plain(LineBuf& line, const FrameRecord& r, const FormatFlags& f) {
    const int count = hex_byte_count(r);  // at most 256 + 20, the buffer's size
    for (int i = 0; i < count; i++) line_printf(line, "%02X", r.bytes[i]);
    if (verbosity(f) != Verbosity::quiet)
        line_printf(line, " # %04X %s", r.check_computed, r.check_ok ? "[OK]" : "[NO]");
    line_putc(line, '\n');
}

void hex_line_color(LineBuf& line, const FrameRecord& r, const FormatFlags& f) {
    const int count = hex_byte_count(r);
    line_puts(line, kGrey);
    for (int i = 0; i < count; i++) {
        field_colours(line, i, r.layout, r.layout.type);
        line_printf(line, "%02X", r.bytes[i]);
        line_puts(line, kGrey);
    }
    if (verbosity(f) != Verbosity::quiet) {
        line_printf(line, " # \033[38;5;11m%04X\033[38;5;244m", r.check_computed);
        line_puts(line, r.check_ok ? " \033[38;5;2m[OK]\033[38;5;244m" : " \033[38;5;1m[NO]\033[38;5;244m");
    }
    line_puts(line, "\033[0m\n");
}

void channel_bits_line(LineBuf& line, const FrameRecord& r, const FormatFlags&) {
    if (r.channel_bits != nullptr) line_append(line, r.channel_bits, strnlen(r.channel_bits, kRawbitsCapacity));
    line_putc(line, '\n');
}

}  // namespace sonde::vardo
