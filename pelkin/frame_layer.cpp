#include "pelkin/frame_layer.h"

#include <cstring>

#include "frame/crc16.h"
#include "pelkin/json_lines.h"
#include "pelkin/report_lines.h"

namespace sonde::pelkin {

namespace {
// Bytes 3..49: up to and including the stored CRC.
constexpr int kBytesThroughCrc = pos_CRC + 2 - kFrameBodyStart;

// Bytes and bits this capture did not reach still hold the previous frame;
// a frame whose CRC was not received cannot pass the check by matching it.
bool crc_received(int written, int collected) {
    if (written < kBytesThroughCrc) return false;
    const int skipped = kFrameGroups - written;
    const int last_data_bit = (skipped + kBytesThroughCrc - 1) * kGroupBits + 8;
    return collected > last_data_bit;
}

FrameRecord check_frame(const uint8_t* bytes, const char* bits, int written, int collected) {
    FrameRecord r;
    r.bytes = bytes;
    r.bits = bits;
    r.written = written;
    r.crc_stored = bytes[pos_CRC] * 256 + bytes[pos_CRC + 1];
    r.crc_computed = sonde::crc16(sonde::kCrc16Modbus, bytes, CRC_LEN);
    r.crc_match = r.crc_computed == r.crc_stored;
    r.good = r.crc_match && crc_received(written, collected);
    return r;
}

// In the order of OutputForm.
const sonde::FormatTable<FrameRecord> kFormats = {format_text_line, nullptr,         format_csv_line, format_hex_line,
                                                  nullptr,          format_bit_line, format_json_line};

// -g (also with -R, where it asks only for matching CRCs, and not for the
// CSV), and the frames no line is written for: nothing but preamble, or a
// report at latitude + longitude 0. The report forms decode the fields, from
// those of the frame before, into f.datum and the record.
bool record_passes(PelkinFrame& f, const PelkinOptions& opt, sonde::OutputForm form, FrameRecord& r) {
    using sonde::OutputForm;
    if (form == OutputForm::bits) return r.crc_match || !opt.option_good;
    if (r.written == 0) return false;
    if (form != OutputForm::hex) {
        get_fields(r.bytes, f.datum);
        r.datum = f.datum;
        if (r.datum.lat_e6 + r.datum.lon_e6 == 0) return false;
        if (form == OutputForm::csv) return true;
    }
    return r.good || !opt.option_good;
}
}  // namespace

void print_frame(PelkinFrame& f, const PelkinOptions& opt, int out_fd) {
    const int written = bits2bytes(f.frame_bits, f.frame_bytes + kFrameBodyStart);
    FrameRecord r = check_frame(f.frame_bytes, f.frame_bits, written, f.collected);
    print_record(f, opt, r, out_fd);
}

void print_record(PelkinFrame& f, const PelkinOptions& opt, FrameRecord& r, int out_fd) {
    const sonde::OutputForm form = sonde::choose_form({.bits = opt.option_raw == RawForm::bits,
                                                       .json = opt.option_json != 0,
                                                       .hex = opt.option_raw == RawForm::hex,
                                                       .csv = opt.option_csv != 0});
    if (!record_passes(f, opt, form, r)) return;
    write_line(kFormats, form, f.line, r, {.verbose = opt.option_verbose, .with_raw = opt.option_raw != RawForm::none},
               out_fd);
}

void soft_frame_state_init(SoftFrameState& s) {
    crc_syndromes_init(s.syndromes);
    std::memset(s.bits, 0, sizeof s.bits);
    std::memset(s.bytes, 0, sizeof s.bytes);
    frame_bytes_init(s.bytes);
}

FrameRecord soft_frame_record(SoftFrameState& s, const sonde::SoftFrame& f) {
    if (f.kind != sonde::SondeKind::pelkin || f.count < kFrameBits || f.hard == nullptr || f.soft == nullptr)
        return FrameRecord{.bytes = s.bytes, .bits = s.bits};
    for (int k = 0; k < kFrameBits; k++) s.bits[k] = f.hard[k] ? '1' : '0';
    s.bits[kFrameBits] = '\0';
    // Read as it came, the bits clicks hit get the flip bonus.
    const float bonus = (f.flags & sonde::kSoftFrameDeemphasisUndone) != 0 ? 0.0f : kClickFlipBonus;
    const int flipped = correct_frame_bits(s.syndromes, s.bits, f.soft, bonus);
    const int written = bits2bytes(s.bits, s.bytes + kFrameBodyStart);
    FrameRecord r = check_frame(s.bytes, s.bits, written, kFrameBits);
    r.quality = {.present = true, .corrected = flipped > 0 ? flipped : 0, .snr_db = f.snr_db, .dc = f.dc};
    return r;
}

}  // namespace sonde::pelkin
