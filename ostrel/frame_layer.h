// The frame layer: groups to bytes, the frame's record, and its lines in
// the form the options choose: the bit dump, JSON, or one line per GPS
// packet as text or comma-separated values, after the hexadecimal line with
// -r. Each line leaves with a single write as soon as it is complete.
#pragma once

#include "io/line_out.h"
#include "ostrel/bit_timing.h"
#include "ostrel/gps_packet.h"
#include "ostrel/gps_repair.h"
#include "ostrel/options.h"
#include "receiver/soft_frame.h"

namespace sonde::ostrel {

constexpr int kMaxFrameGroups = 120;

struct PacketOutput {
    // Bytes of the current frame. Only the positions from the frame's length
    // on are cleared, so a frame that stops early at an all-ones group keeps
    // an earlier frame's bytes behind the stop.
    unsigned char byteframe[kMaxFrameGroups + 1] = {};
    LineBuf line;
};

// The frame layer: len complete groups from bitframe (the 100-group frame
// of the default receive path); -1 (and nothing done) when len is outside
// 2..120, else 0.
int print_frame(PacketOutput& po, const OstrelOptions& opt, const unsigned char* bitframe, int len, int out_fd);

// The record's lines as the options ask.
void print_record(PacketOutput& po, const OstrelOptions& opt, const PacketRecord& r, int out_fd);

// What the frame layer keeps between the soft frames of one stream: the
// repair's syndromes, and the bits and bytes the record points to.
struct SoftFrameState {
    GpsRepairTable repair;
    unsigned char bits[kFrameBits] = {};
    unsigned char bytes[kMaxFrameGroups + 1] = {};
};
void soft_frame_state_init(SoftFrameState& s);

// A receiver's frame (kind ostrel) to its record: CRC-guided repair of a GPS
// packet, the frame's bytes and the packet's fields, and the receive quality
// (bits corrected, SNR, DC). Prints nothing. The record points into s.
PacketRecord soft_frame_record(SoftFrameState& s, const sonde::SoftFrame& f);

}  // namespace sonde::ostrel
