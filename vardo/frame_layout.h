// Frame types and layouts. The first two bytes of a frame (length byte and
// type byte) select the type; the lengths set here size the NEXT capture,
// since the frame being classified was captured with the previous ones.
#pragma once

#include <cstdint>

namespace sonde::vardo {

// The length byte can announce up to 255 + 1 bytes.
constexpr int kMaxFrameLen = 256;
// Every capture runs 20 bytes past the nominal frame, so that a frame of
// the same type may be up to 20 bytes longer than announced.
constexpr int kCaptureExtraBytes = 20;
constexpr int kCaptureExtraRawbits = kCaptureExtraBytes * 16;  // 320 channel bits

// Channel bits of the longest capture and a terminator: 4417.
constexpr int kRawbitsCapacity = kMaxFrameLen * 16 + kCaptureExtraRawbits + 1;
// Data bits of the longest capture and a terminator: 2209.
constexpr int kBitsCapacity = kMaxFrameLen * 8 + kCaptureExtraBytes * 8 + 1;
// Bytes of the longest capture: 276.
constexpr int kBytesCapacity = kMaxFrameLen + kCaptureExtraBytes;

struct FrameLayout {
    // Start values: the long layout, but bit lengths 0, so the first capture
    // after start-up is only the 320 extra channel bits long.
    int FRAME_LEN = 101;
    int BITFRAME_LEN = 0;
    int RAWBITFRAME_LEN = 0;
    int tdFLEN = 100;  // expected length byte
    int pos_GPSTOW = 10;
    int pos_GPSlat = 14;
    int pos_GPSlon = 18;
    int pos_GPSalt = 22;
    int pos_GPSweek = 32;
    int pos_GPSvO = 4;
    int pos_GPSvN = 6;
    int pos_GPSvV = 8;
    int pos_GPSvE = 11;
    int pos_GPSvU = 24;
    int pos_GPSutc = 31;
    int pos_SN = 93;
    int pos_frame = 98;
    int pos_Check = 99;
    int auxlen = 0;  // bytes the current frame runs past its nominal length
    int type = 0;
};

// Classifies frame_bytes[0], [1], sets lengths and positions, returns 0, 1 or 2.
int get_type(FrameLayout& l, const uint8_t* frame_bytes);

// Length extension against the tdFLEN of the previous frame: 0 .. kCaptureExtraBytes.
void set_auxlen(FrameLayout& l, uint8_t length_byte);

// Byte position of the two check bytes of the current frame.
inline int check_pos(const FrameLayout& l) { return l.pos_Check + l.auxlen; }

// True when the check field lies inside the bytes that this capture
// delivered. A length byte of 0 puts it before the frame, an unknown length
// byte with auxlen can put it past the capture.
bool check_field_inside(const FrameLayout& l, int decoded_bytes);

}  // namespace sonde::vardo
