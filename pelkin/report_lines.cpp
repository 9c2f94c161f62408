#include "pelkin/report_lines.h"

#include "pelkin/frame_bytes.h"

namespace sonde::pelkin {

void format_text_line(LineBuf& line, const FrameRecord& r, const FormatFlags& f) {
    const Datum& datum = r.datum;
    const Clock c = split_date_time(datum);
    line_printf(line, " %02d-%02d-%02d %02d:%02d:%06.3f  lat: %.6f\xc2\xb0  lon: %.6f\xc2\xb0  alt: %.2fm ", c.day,
                c.month, c.year, c.hours, c.minutes, c.ms / 1000.0, datum.lat_e6 / 1000000, datum.lon_e6 / 1000000,
                datum.alt_cm / 100);
    line_printf(line, "  vH: %.1fm/s  D: %.1f\xc2\xb0  vV: %.1fm/s", datum.speed_h, datum.course, datum.speed_v);
    if (f.verbose != 0) line_printf(line, "  sats: %d  fix: %d ", datum.sats, datum.fix);
    line_puts(line, "  # CRC ");
    line_puts(line, r.good ? "[OK]\n" : "[NO]\n");
}

void format_csv_line(LineBuf& line, const FrameRecord& r, const FormatFlags&) {
    const Datum& datum = r.datum;
    const Clock c = split_date_time(datum);
    line_printf(line, "%5d,0,20%02d-%02d-%02d,%02d:%02d:%06.3f,%.5f,%.5f,%.2f,%.1f,%.1f,%.1f,", 0, c.year, c.month,
                c.day, c.hours, c.minutes, c.ms / 1000.0, datum.lat_e6 / 1000000, datum.lon_e6 / 1000000,
                datum.alt_cm / 100, datum.speed_h, datum.course, datum.speed_v);
    line_puts(line, r.good ? "OK\n" : "FAIL\n");
}

void format_hex_line(LineBuf& line, const FrameRecord& r, const FormatFlags&) {
    for (int i = kFrameBodyStart; i < CRC_LEN; i++) line_printf(line, "%02x ", r.bytes[i]);
    line_printf(line, " %04x # %04x \n", r.crc_stored, r.crc_computed);
}

void format_bit_line(LineBuf& line, const FrameRecord& r, const FormatFlags&) {
    sonde::group_bit_dump(line, r.bits, kFrameBits);
}

}  // namespace sonde::pelkin
