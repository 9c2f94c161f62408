// The frame layer: one call per capture. The capture's bits become bytes;
// length extension, type and check fill the frame's record; then the frame
// leaves as raw channel bits, a hexadecimal line or the position report.
#pragma once

#include "frame/rx_quality.h"
#include "vardo/frame_record.h"
#include "vardo/decoder.h"

namespace sonde::vardo {

// Decodes the capture in v.buf (bits_count is taken as left by the capture
// loop in the symbol mode) and writes its line.
void print_frame(VardoDecoder& v);

// Way in for other receive paths: the bytes of one frame (at most
// kBytesCapacity; the layout kept from the frames before sizes it as for a
// capture), handled as a capture that delivered exactly these bytes.
void frame_bytes_in(VardoDecoder& v, const uint8_t* bytes, int n, const sonde::RxQuality& quality);

// Bits to bytes to layout and check, without output.
FrameRecord decode_frame(VardoDecoder& v);

}  // namespace sonde::vardo
