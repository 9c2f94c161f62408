// The three buffers one capture passes through: channel bits as captured,
// data bits after biphase decoding, and the packed frame bytes.
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

struct FrameBuffers {
    char frame_rawbits[kRawbitsCapacity] = {};  // '0'/'1', NUL-terminated
    char frame_bits[kBitsCapacity] = {};        // '0'/'1'/'x'
    uint8_t frame_bytes[kBytesCapacity] = {};
    // Data bits that this capture delivered; bytes past them hold whatever
    // earlier captures left and never count as part of the frame.
    int bits_count = 0;
    int decoded_bytes = 0;
};

}  // namespace sonde::vardo
