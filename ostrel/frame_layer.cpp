#include "ostrel/frame_layer.h"

#include <algorithm>

#include "ostrel/byte_groups.h"
#include "ostrel/json_lines.h"

namespace sonde::ostrel {

void print_GPS(LineBuf& line, const GpsRecord& r, int option_csv) {
    const double lat = r.lat;
    const double lon = r.lon;
    if (option_csv == 1) {
        line_puts(line, "000,iMet,0000-00-00,");
        line_printf(line, "%02d:%02d:%02d,", r.hour, r.minute, r.second);
        line_printf(line, "%.6f,", lat);
        line_printf(line, "%.6f,", lon);
        line_printf(line, "%d,", r.alt);
        line_puts(line, "0,0,0,");
        line_puts(line, r.good ? "OK" : "NO");
        return;
    }
    // 0xB0 is the degree sign of ISO 8859-1, written as that single byte.
    line_printf(line, "(%02d:%02d:%02d) ", r.hour, r.minute, r.second);
    line_printf(line, " lat: %.6f\xb0 ", lat);
    line_printf(line, " lon: %.6f\xb0 ", lon);
    line_printf(line, " alt: %dm ", r.alt);
    line_puts(line, " # ");
    line_printf(line, " CRC: %04X ", r.crc_stored);
    line_printf(line, "- %04X ", r.crc_computed);
    line_puts(line, r.good ? "[OK]" : "[NO]");
}

void print_hex(LineBuf& line, const PacketRecord& r) {
    for (int i = 0; i < r.count; i++) line_printf(line, "%02X ", r.bytes[i]);
    line_putc(line, '\n');
}

int print_frame(PacketOutput& po, const OstrelOptions& opt, const unsigned char* bitframe, int len, int out_fd) {
    if (len < 2 || len > kMaxFrameGroups) return -1;
    for (int i = len; i < kMaxFrameGroups; i++) po.byteframe[i] = 0;

    LineBuf& line = po.line;
    line_clear(line);
    if (opt.option_rawbits) {
        sonde::group_bit_dump(line, bitframe, kRawbitsShown);
        line_flush(line, out_fd);
        return 0;
    }

    print_record(po, opt, decode_packet(po.byteframe, bits2bytes(bitframe, po.byteframe, len)), out_fd);
    return 0;
}

void print_record(PacketOutput& po, const OstrelOptions& opt, const PacketRecord& r, int out_fd) {
    LineBuf& line = po.line;
    line_clear(line);
    if (opt.option_json) {
        if (r.is_gps || opt.option_raw) {
            format_json_line(line, r, opt.option_raw != 0);
            line_flush(line, out_fd);
        }
        return;
    }
    if (opt.option_raw) {
        print_hex(line, r);
        line_flush(line, out_fd);
    }
    if (r.is_gps) {
        print_GPS(line, r.gps, opt.option_csv);
        line_putc(line, '\n');
        line_flush(line, out_fd);
    }
}

void soft_frame_state_init(SoftFrameState& s) {
    gps_repair_table_init(s.repair);
    std::fill(std::begin(s.bits), std::end(s.bits), 0);
    std::fill(std::begin(s.bytes), std::end(s.bytes), 0);
}

PacketRecord soft_frame_record(SoftFrameState& s, const sonde::SoftFrame& f) {
    if (f.kind != sonde::SondeKind::ostrel || f.count < kFrameBits || f.hard == nullptr || f.soft == nullptr)
        return PacketRecord{.bytes = s.bytes};
    std::copy(f.hard, f.hard + kFrameBits, s.bits);
    const int flipped = gps_repair(s.repair, s.bits, f.soft).flipped;
    constexpr int kGroups = kFrameBits / 10;
    for (int i = kGroups; i < kMaxFrameGroups; i++) s.bytes[i] = 0;
    PacketRecord r = decode_packet(s.bytes, bits2bytes(s.bits, s.bytes, kGroups));
    r.quality.present = true;
    r.quality.corrected = flipped;
    r.quality.snr_db = f.snr_db;
    r.quality.dc = f.dc;
    return r;
}

}  // namespace sonde::ostrel
