#include "vardo/frame_layout.h"

namespace sonde::vardo {

namespace {

void set_lengths(FrameLayout& l, int frame_len) {
    l.FRAME_LEN = frame_len;
    l.BITFRAME_LEN = frame_len * 8;
    l.RAWBITFRAME_LEN = l.BITFRAME_LEN * 2;
}

// The 68- and 70-byte frames share one layout; only length and check move.
void set_short_layout(FrameLayout& l, int frame_len) {
    set_lengths(l, frame_len);
    l.tdFLEN = frame_len - 1;
    l.pos_GPSTOW = 15;
    l.pos_GPSlat = 28;
    l.pos_GPSlon = 32;
    l.pos_GPSalt = 8;
    l.pos_GPSweek = 26;
    l.pos_GPSvN = 13;
    l.pos_GPSvE = 11;
    l.pos_GPSvU = 24;
    l.pos_SN = 18;
    l.pos_frame = 21;
    l.pos_Check = frame_len - 2;
}

void set_long_layout(FrameLayout& l) {
    set_lengths(l, 101);
    l.tdFLEN = 100;
    l.pos_GPSTOW = 10;
    l.pos_GPSlat = 14;
    l.pos_GPSlon = 18;
    l.pos_GPSalt = 22;
    l.pos_GPSweek = 32;
    l.pos_GPSvO = 4;
    l.pos_GPSvN = 6;
    l.pos_GPSvV = 8;
    l.pos_GPSutc = 31;
    l.pos_SN = 93;
    l.pos_frame = 98;
    l.pos_Check = 99;
}

}  // namespace

int get_type(FrameLayout& l, const uint8_t* frame_bytes) {
    const unsigned b0 = frame_bytes[0];
    const unsigned b1 = frame_bytes[1];
    if (b0 == 0x43 && b1 == 0x20) {
        set_short_layout(l, 68);
        return 2;
    }
    if (b0 == 0x45 && b1 == 0x20) {
        set_short_layout(l, 70);
        return 2;
    }
    if (b0 == 0x64 && b1 == 0x9F) {
        set_long_layout(l);
        return 1;
    }
    // Unknown: trust the length byte, keep the positions of the last layout.
    set_lengths(l, static_cast<int>(b0) + 1);
    l.tdFLEN = static_cast<int>(b0);
    l.pos_Check = static_cast<int>(b0) - 1;
    return l.FRAME_LEN <= 83 ? 1 : 0;
}

void set_auxlen(FrameLayout& l, uint8_t length_byte) {
    int d = static_cast<int>(length_byte) - l.tdFLEN;
    l.auxlen = (d >= 0 && d <= kCaptureExtraBytes) ? d : 0;
}

bool check_field_inside(const FrameLayout& l, int decoded_bytes) {
    int p = check_pos(l);
    return p >= 0 && p + 2 <= decoded_bytes;
}

}  // namespace sonde::vardo
