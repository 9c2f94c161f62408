#include "vardo/frame_layer.h"

#include <cstring>

#include "frame/big_endian.h"
#include "vardo/biphase.h"
#include "vardo/check_m10.h"
#include "vardo/hex_lines.h"
#include "vardo/position_report.h"

namespace sonde::vardo {

namespace {

// The capture's channel bits (or, in the symbol mode, data bits) to bytes.
void capture_to_bytes(VardoDecoder& v) {
    FrameBuffers& fb = v.buf;
    const FrameLayout& l = v.layout;
    if (v.opt.option_b != FrameBitSource::symbols) {
        // Always the nominal length, whatever the capture holds.
        const int n = l.RAWBITFRAME_LEN + kCaptureExtraRawbits;
        dpsk_bpm(fb.frame_rawbits, fb.frame_bits, n);
        fb.bits_count = n / 2;
    }
    const int nbytes = l.FRAME_LEN + kCaptureExtraBytes;
    bits2bytes(fb.frame_bits, fb.frame_bytes, nbytes);
    fb.decoded_bytes = fb.bits_count / 8 < nbytes ? fb.bits_count / 8 : nbytes;
}

// Length extension, type and check of a capture's bytes, decoded of them
// delivered by it.
FrameRecord check_frame(FrameLayout& l, const uint8_t* bytes, int decoded) {
    set_auxlen(l, bytes[0]);
    l.type = get_type(l, bytes);

    FrameRecord r;
    r.bytes = bytes;
    r.layout = l;
    r.type_bytes = be_u16(bytes);
    const int p = check_pos(l);
    if (check_field_inside(l, decoded)) {
        r.check_stored = static_cast<uint16_t>(bytes[p] << 8 | bytes[p + 1]);
        r.check_computed = checkM10(bytes, p);
        r.check_ok = r.check_stored == r.check_computed;
    } else {
        // The check field is not in this capture: the frame is bad.
        r.check_computed = checkM10(bytes, p < 0 ? 0 : p);
        r.check_ok = false;
    }
    return r;
}

FrameRecord check_frame(VardoDecoder& v) { return check_frame(v.layout, v.buf.frame_bytes, v.buf.decoded_bytes); }

void emit_frame(VardoDecoder& v, FrameRecord& r) {
    if (v.opt.option_rawbits == 1) {
        line_append(v.line, v.buf.frame_rawbits, strnlen(v.buf.frame_rawbits, kRawbitsCapacity));
        line_putc(v.line, '\n');
        line_flush(v.line, v.out_fd);
        return;
    }
    if (v.opt.option_raw && !v.opt.option_json && r.layout.type != 0 && (r.check_ok || !v.opt.option_good)) {
        if (v.opt.option_color)
            hex_line_color(v.line, r, v.opt.option_verbose);
        else
            hex_line_plain(v.line, r, v.opt.option_verbose);
        line_flush(v.line, v.out_fd);
        return;
    }
    if (v.opt.option_good && !r.check_ok) return;
    report_frame(v, r);
}

}  // namespace

FrameRecord decode_frame(VardoDecoder& v) {
    capture_to_bytes(v);
    return check_frame(v);
}

void print_frame(VardoDecoder& v) {
    FrameRecord r = decode_frame(v);
    emit_frame(v, r);
}

void print_record(VardoDecoder& v, FrameRecord& r) { emit_frame(v, r); }

void soft_frame_state_init(SoftFrameState& s) {
    robust_syndromes_init(s.syndromes);
    s.layout = FrameLayout{};
    std::memset(s.bytes, 0, sizeof s.bytes);
}

FrameRecord soft_frame_record(SoftFrameState& s, const sonde::SoftFrame& f) {
    const bool known = f.kind == sonde::SondeKind::vardo && f.type >= 0 && f.type < kRobustTypeCount &&
                       f.soft != nullptr && f.count >= 8 * kRobustTypes[f.type].len;
    if (!known) return FrameRecord{.bytes = s.bytes};
    const RobustDecision d = robust_decide(f.soft, f.type, s.syndromes, kRobustCandidates);
    std::memcpy(s.bytes, d.bytes, static_cast<std::size_t>(d.len));
    // The frame's own type sets the layout, so its length byte is taken as
    // announced (no extension against an earlier frame's length).
    get_type(s.layout, s.bytes);
    FrameRecord r = check_frame(s.layout, s.bytes, d.len);
    r.quality.present = true;
    r.quality.corrected = d.corrected;
    r.quality.snr_db = f.snr_db;
    r.quality.dc = f.dc;
    return r;
}

}  // namespace sonde::vardo
