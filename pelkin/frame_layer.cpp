#include "pelkin/frame_layer.h"

#include <cstring>

#include "frame/crc16.h"
#include "pelkin/json_lines.h"
#include "pelkin/report_lines.h"
#include "frame/ten_bit_groups.h"

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

// The fields of the record's frame into f.datum and the record.
void decode_fields(PelkinFrame& f, FrameRecord& r) {
    get_GPSpos(r.bytes, f.datum);
    get_GPSvel(r.bytes, f.datum);
    get_GPStime(r.bytes, f.datum);
    get_GPSdate(r.bytes, f.datum);
    get_GPSstatus(r.bytes, f.datum);
    r.datum = f.datum;
}

// Fields, then the position report as text, comma-separated or JSON line. A
// frame at latitude + longitude 0 writes nothing.
void report_frame(PelkinFrame& f, const PelkinOptions& opt, FrameRecord& r, int out_fd) {
    decode_fields(f, r);
    if (r.datum.lat_e6 + r.datum.lon_e6 == 0) return;

    if (opt.option_json) {
        // -g keeps good frames here, also where the CSV ignores it.
        if (r.good || !opt.option_good) format_json_line(f.line, r, opt.option_raw != 0);
    } else if (opt.option_csv)
        format_csv_line(f.line, r);
    else if (r.good || !opt.option_good)
        format_text_line(f.line, r, opt.option_verbose != 0);
    line_flush(f.line, out_fd);
}

void emit_frame(PelkinFrame& f, const PelkinOptions& opt, FrameRecord& r, int out_fd) {
    if (opt.option_raw == 2) {
        // The bits as collected, whatever became of them.
        if (opt.option_good && !r.crc_match) return;
        sonde::group_bit_dump(f.line, r.bits, kFrameBits);
        line_flush(f.line, out_fd);
        return;
    }
    // Nothing but preamble: no frame at all.
    if (r.written == 0) return;
    if (opt.option_raw == 0 || opt.option_json) {
        report_frame(f, opt, r, out_fd);
        return;
    }
    if (opt.option_good && !r.good) return;
    format_hex_line(f.line, r);
    line_flush(f.line, out_fd);
}
}  // namespace

void pelkin_frame_init(PelkinFrame& f) {
    std::memset(f.frame_bits, 0, sizeof f.frame_bits);
    f.collected = kFrameBits;
    std::memset(f.frame_bytes, 0, sizeof f.frame_bytes);
    frame_bytes_init(f.frame_bytes);
    f.datum = Datum{};
    line_clear(f.line);
}

void print_frame(PelkinFrame& f, const PelkinOptions& opt, int out_fd) {
    const int written = bits2bytes(f.frame_bits, f.frame_bytes + kFrameBodyStart);
    FrameRecord r = check_frame(f.frame_bytes, f.frame_bits, written, f.collected);
    emit_frame(f, opt, r, out_fd);
}

void print_record(PelkinFrame& f, const PelkinOptions& opt, FrameRecord& r, int out_fd) {
    emit_frame(f, opt, r, out_fd);
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
    // Read as it came, a click was limited, and the bits it hit weigh less:
    // their flips get the bonus.
    const float bonus = (f.flags & sonde::kSoftFrameDeemphasisUndone) != 0 ? 0.0f : kClickFlipBonus;
    const int flipped = correct_frame_bits(s.syndromes, s.bits, f.soft, bonus);
    const int written = bits2bytes(s.bits, s.bytes + kFrameBodyStart);
    FrameRecord r = check_frame(s.bytes, s.bits, written, kFrameBits);
    r.quality.present = true;
    r.quality.corrected = flipped > 0 ? flipped : 0;
    r.quality.snr_db = f.snr_db;
    r.quality.dc = f.dc;
    return r;
}

}  // namespace sonde::pelkin
