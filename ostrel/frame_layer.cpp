#include "ostrel/frame_layer.h"

#include <algorithm>

#include "ostrel/byte_groups.h"
#include "ostrel/json_lines.h"
#include "ostrel/report_lines.h"

namespace sonde::ostrel {

// In the order of OutputForm.
const sonde::FormatTable<PacketRecord> kFormats = {gps_text_line, nullptr,  gps_csv_line,    hex_line,
                                                   nullptr,       bit_line, format_json_line};

int print_frame(PacketOutput& po, const OstrelOptions& opt, const unsigned char* bitframe, int len, int out_fd) {
    if (len < 2 || len > kMaxFrameGroups) return -1;
    for (int i = len; i < kMaxFrameGroups; i++) po.byteframe[i] = 0;
    PacketRecord r = decode_packet(po.byteframe, bits2bytes(bitframe, po.byteframe, len));
    r.bits = bitframe;
    print_record(po, opt, r, out_fd);
    return 0;
}

void print_record(PacketOutput& po, const OstrelOptions& opt, const PacketRecord& r, int out_fd) {
    using sonde::OutputForm;
    sonde::FormOptions choice{.bits = opt.option_rawbits != 0,
                              .json = opt.option_json != 0,
                              .hex = opt.option_raw != 0,
                              .csv = opt.option_csv != 0};
    OutputForm form = sonde::choose_form(choice);
    const sonde::FormatFlags flags{.with_raw = opt.option_raw != 0};
    line_clear(po.line);
    if (form == OutputForm::hex) {
        // The hexadecimal line comes before the packet's own line.
        write_line(kFormats, form, po.line, r, flags, out_fd);
        choice.hex = false;
        form = sonde::choose_form(choice);
    }
    // As JSON a packet other than GPS is written with -r only.
    if (form == OutputForm::json && !r.is_gps && !flags.with_raw) return;
    write_line(kFormats, form, po.line, r, flags, out_fd);
}

void soft_frame_state_init(SoftFrameState& s) {
    s = SoftFrameState{};
    gps_repair_table_init(s.repair);
}

PacketRecord soft_frame_record(SoftFrameState& s, const sonde::SoftFrame& f) {
    const PacketRecord none{.bits = f.hard, .bytes = s.bytes};
    if (f.kind != sonde::SondeKind::ostrel || f.count < kFrameBits || f.hard == nullptr || f.soft == nullptr)
        return none;
    std::copy(f.hard, f.hard + kFrameBits, s.bits);
    const int flipped = gps_repair(s.repair, s.bits, f.soft).flipped;
    constexpr int kGroups = kFrameBits / 10;
    for (int i = kGroups; i < kMaxFrameGroups; i++) s.bytes[i] = 0;
    PacketRecord r = decode_packet(s.bytes, bits2bytes(s.bits, s.bytes, kGroups));
    r.bits = f.hard;
    r.quality = {.present = true, .corrected = flipped, .snr_db = f.snr_db, .dc = f.dc};
    return r;
}

}  // namespace sonde::ostrel
