// Everything one run of the decoder keeps, in one record: a test builds a
// fresh one per case.
#pragma once

#include "bit_slicer.h"
#include "line_out.h"
#include "rawbit.h"
#include "sync_ring.h"
#include "vardo/field_decoders.h"
#include "vardo/frame_buffers.h"
#include "vardo/frame_layout.h"
#include "vardo/frame_saving.h"
#include "vardo/position_filter.h"
#include "wav_input.h"

namespace sonde::vardo {

// The sync word in channel bits, oldest first.
constexpr const char* kVardoSyncWord = "10011001100110010100110010011001";
constexpr float kVardoBitRate = 9600.0f;  // channel bits per second

// Where the 16-bit little-endian thermistor reading sits in both frame
// layouts: bytes 40 and 41, a stretch that carries no other field in the
// 101-byte frame nor in the 68- and 70-byte frames.
constexpr int kPosThermistor = 40;

struct VardoOptions {
    int option_verbose = 0;  // 1: -v, 2: -vv
    int option_raw = 0;      // hexadecimal frames
    int option_saveframes = 0;
    int option_color = 0;
    int option_good = 0;  // good frames only
    int option_b = 0;     // 1: channel bits by integrate-and-dump, 2: symbols
    int option_csv = 0;
    int option_rawbits = 0;
    int option_json = 0;  // JSON Lines instead of report, CSV and hexadecimal lines
};

struct VardoDecoder {
    VardoOptions opt;
    WavInput in;
    SlicerState slicer;
    RawbitClock clock;
    SyncRing ring;
    FrameBuffers buf;
    FrameLayout layout;
    Datum datum;
    PositionFilter filter;
    FrameSaving saving;
    LineBuf line;
    int out_fd = 1;
    int err_fd = 2;
};

// Front-end settings of this decoder; call before reading the header.
void vardo_decoder_init(VardoDecoder& v);

}  // namespace sonde::vardo
