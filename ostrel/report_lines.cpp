#include "ostrel/report_lines.h"

#include "frame/ten_bit_groups.h"

namespace sonde::ostrel {

void gps_text_line(LineBuf& line, const PacketRecord& p, const FormatFlags&) {
    if (!p.is_gps) return;
    const GpsRecord& r = p.gps;
    // 0xB0 is the degree sign of ISO 8859-1, written as that single byte.
    line_printf(line, "(%02d:%02d:%02d)  lat: %.6f\xb0  lon: %.6f\xb0  alt: %dm  #  CRC: %04X - %04X %s", r.hour,
                r.minute, r.second, static_cast<double>(r.lat), static_cast<double>(r.lon), r.alt, r.crc_stored,
                r.crc_computed, r.good ? "[OK]\n" : "[NO]\n");
}

void gps_csv_line(LineBuf& line, const PacketRecord& p, const FormatFlags&) {
    if (!p.is_gps) return;
    const GpsRecord& r = p.gps;
    line_printf(line, "000,iMet,0000-00-00,%02d:%02d:%02d,%.6f,%.6f,%d,0,0,0,%s", r.hour, r.minute, r.second,
                static_cast<double>(r.lat), static_cast<double>(r.lon), r.alt, r.good ? "OK\n" : "NO\n");
}

void hex_line(LineBuf& line, const PacketRecord& r, const FormatFlags&) {
    for (int i = 0; i < r.count; i++) line_printf(line, "%02X ", r.bytes[i]);
    line_putc(line, '\n');
}

void bit_line(LineBuf& line, const PacketRecord& r, const FormatFlags&) {
    if (r.bits != nullptr) sonde::group_bit_dump(line, r.bits, kRawbitsShown);
}

}  // namespace sonde::ostrel
