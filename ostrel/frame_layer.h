// Frame handler: groups to bytes, the optional hexadecimal and bit dumps,
// and one line per GPS packet as text or comma-separated values. Each line
// leaves with a single write as soon as it is complete.
#pragma once

#include "ostrel/gps_packet.h"
#include "io/line_out.h"
#include "ostrel/options.h"

namespace sonde::ostrel {

constexpr int kMaxFrameGroups = 120;
constexpr int kRawbitsShown = 400;  // 40 groups of a frame in the bit dump

struct PacketOutput {
    // Bytes of the current frame. Only the positions from the frame's length
    // on are cleared, so a frame that stops early at an all-ones group keeps
    // an earlier frame's bytes behind the stop.
    unsigned char byteframe[kMaxFrameGroups + 1] = {};
    sonde::RxQuality quality;  // of the frame being handled, when its receive path measures it
    LineBuf line;
};

// The GPS line of a record, without the line end.
void print_GPS(LineBuf& line, const GpsRecord& r, int option_csv);
// The frame's bytes in hexadecimal, with the line end.
void print_hex(LineBuf& line, const PacketRecord& r);

// The frame layer: len complete groups from bitframe (the 100-group frame
// of the default receive path, or one another path hands in with
// po.quality set); -1 (and nothing done) when len is outside 2..120, else 0.
int print_frame(PacketOutput& po, const OstrelOptions& opt, const unsigned char* bitframe, int len, int out_fd);

}  // namespace sonde::ostrel
