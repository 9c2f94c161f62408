#include "pelkin/frame_handler.h"

#include <cstring>

#include "crc16.h"
#include "pelkin/output_lines.h"
#include "ten_bit_groups.h"

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
}  // namespace

void pelkin_frame_init(PelkinFrame& f) {
    std::memset(f.frame_bits, 0, sizeof f.frame_bits);
    f.collected = kFrameBits;
    std::memset(f.frame_bytes, 0, sizeof f.frame_bytes);
    frame_bytes_init(f.frame_bytes);
    f.datum = Datum{};
    line_clear(f.line);
}

int print_pos(PelkinFrame& f, const PelkinOptions& opt, bool good, int out_fd) {
    int err = 0;
    err |= get_GPSpos(f.frame_bytes, f.datum);
    err |= get_GPSvel(f.frame_bytes, f.datum);
    err |= get_GPStime(f.frame_bytes, f.datum);
    err |= get_GPSdate(f.frame_bytes, f.datum);
    if (f.datum.lat_e6 + f.datum.lon_e6 == 0) return err;

    if (opt.option_csv) {
        format_csv_line(f.line, f.datum, good);
    } else if (good || !opt.option_good) {
        if (opt.option_verbose) err |= get_GPSstatus(f.frame_bytes, f.datum);
        format_text_line(f.line, f.datum, opt.option_verbose != 0, good);
    }
    line_flush(f.line, out_fd);
    return err;
}

void print_frame(PelkinFrame& f, const PelkinOptions& opt, int out_fd) {
    const int written = bits2bytes(f.frame_bits, f.frame_bytes + kFrameBodyStart);
    const int crc_stored = f.frame_bytes[pos_CRC] * 256 + f.frame_bytes[pos_CRC + 1];
    const int crc_computed = sonde::crc16(sonde::kCrc16Modbus, f.frame_bytes, CRC_LEN);
    const bool crc_match = crc_computed == crc_stored;
    const bool good = crc_match && crc_received(written, f.collected);

    if (opt.option_raw == 2) {
        // The bits as collected, whatever became of them.
        if (opt.option_good && !crc_match) return;
        sonde::group_bit_dump(f.line, f.frame_bits, kFrameBits);
        line_flush(f.line, out_fd);
        return;
    }
    // Nothing but preamble: no frame at all.
    if (written == 0) return;
    if (opt.option_raw == 0) {
        print_pos(f, opt, good, out_fd);
        return;
    }
    if (opt.option_good && !good) return;
    format_hex_line(f.line, f.frame_bytes, crc_stored, crc_computed);
    line_flush(f.line, out_fd);
}
