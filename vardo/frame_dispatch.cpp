#include "vardo/frame_dispatch.h"

#include <cstring>

#include "vardo/biphase.h"
#include "vardo/check_m10.h"
#include "vardo/hex_lines.h"
#include "vardo/position_report.h"

FrameCheck decode_frame(VardoDecoder& v) {
    FrameBuffers& fb = v.buf;
    FrameLayout& l = v.layout;
    if (v.opt.option_b <= 1) {
        // Always the nominal length, whatever the capture holds.
        const int n = l.RAWBITFRAME_LEN + kCaptureExtraRawbits;
        dpsk_bpm(fb.frame_rawbits, fb.frame_bits, n);
        fb.bits_count = n / 2;
    }
    const int nbytes = l.FRAME_LEN + kCaptureExtraBytes;
    bits2bytes(fb.frame_bits, fb.frame_bytes, nbytes);
    fb.decoded_bytes = fb.bits_count / 8 < nbytes ? fb.bits_count / 8 : nbytes;

    set_auxlen(l, fb.frame_bytes[0]);
    l.type = get_type(l, fb.frame_bytes);

    FrameCheck c;
    const int p = check_pos(l);
    if (check_field_inside(l, fb.decoded_bytes)) {
        uint16_t stored = static_cast<uint16_t>(fb.frame_bytes[p] << 8 | fb.frame_bytes[p + 1]);
        c.computed = checkM10(fb.frame_bytes, p);
        c.good = stored == c.computed;
    } else {
        // The check field is not in this capture: the frame is bad.
        c.computed = checkM10(fb.frame_bytes, p < 0 ? 0 : p);
        c.good = false;
    }
    return c;
}

void print_frame(VardoDecoder& v) {
    const FrameCheck c = decode_frame(v);
    const FrameLayout& l = v.layout;
    if (v.opt.option_rawbits == 1) {
        line_append(v.line, v.buf.frame_rawbits, strnlen(v.buf.frame_rawbits, kRawbitsCapacity));
        line_putc(v.line, '\n');
        line_flush(v.line, v.out_fd);
        return;
    }
    if (v.opt.option_raw && l.type != 0 && (c.good || !v.opt.option_good)) {
        HexLine h;
        h.bytes = v.buf.frame_bytes;
        h.count = l.FRAME_LEN + l.auxlen;  // at most 256 + 20, the buffer's size
        h.verbose = v.opt.option_verbose;
        h.check = c.computed;
        h.good = c.good;
        if (v.opt.option_color)
            hex_line_color(v.line, h, l, l.type);
        else
            hex_line_plain(v.line, h);
        line_flush(v.line, v.out_fd);
        return;
    }
    if (v.opt.option_good && !c.good) return;
    print_pos(v, c.good ? 1 : 0);
}
