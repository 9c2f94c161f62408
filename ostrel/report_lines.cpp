#include "ostrel/report_lines.h"

#include "frame/ten_bit_groups.h"

namespace sonde::ostrel {

void gps_text_line(LineBuf& line, const PacketRecord& p, const FormatFlags&) {
    if (!p.is_gps) return;
    const GpsRecord& r = p.gps;
    // 0xB0 is the degree sign of ISO 8859-1, written as that single byte.
    line_printf(line, "(%02d:%02d:%02d) ", r.hour, r.minute, r.second);
    line_printf(line, " lat: %.6f\xb0 ", static_cast<double>(r.lat));
    line_printf(line, " lon: %.6f\xb0 ", static_cast<double>(r.lon));
    line_printf(line, " alt: %dm ", r.alt);
    line_puts(line, " # ");
    line_printf(line, " CRC: %04X ", r.crc_stored);
    line_printf(line, "- %04X ", r.crc_computed);
    line_puts(line, r.good ? "[OK]\n" : "[NO]\n");
}

void gps_csv_line(LineBuf& line, const PacketRecord& p, const FormatFlags&) {
    if (!p.is_gps) return;
    const GpsRecord& r = p.gps;
    line_puts(line, "000,iMet,0000-00-00,");
    line_printf(line, "%02d:%02d:%02d,", r.hour, r.minute, r.second);
    line_printf(line, "%.6f,", static_cast<double>(r.lat));
    line_printf(line, "%.6f,", static_cast<double>(r.lon));
    line_printf(line, "%d,", r.alt);
    line_puts(line, "0,0,0,");
    line_puts(line, r.good ? "OK\n" : "NO\n");
}

void hex_line(LineBuf& line, const PacketRecord& r, const FormatFlags&) {
    for (int i = 0; i < r.count; i++) line_printf(line, "%02X ", r.bytes[i]);
    line_putc(line, '\n');
}

void bit_line(LineBuf& line, const PacketRecord& r, const FormatFlags&) {
    if (r.bits != nullptr) sonde::group_bit_dump(line, r.bits, kRawbitsShown);
}

}  // namespace sonde::ostrel
