// Everything one run of the decoder keeps, in one record: a test builds a
// fresh one per case.
#pragma once

#include "slicer/run_readers.h"
#include "io/line_out.h"
#include "slicer/rawbit.h"
#include "slicer/sync_ring.h"
#include "vardo/field_decoders.h"
#include "vardo/frame_buffers.h"
#include "vardo/frame_layout.h"
#include "vardo/frame_saving.h"
#include "vardo/options.h"
#include "vardo/position_filter.h"
#include "io/wav_input.h"

namespace sonde::vardo {

// The sync word in channel bits, oldest first.
constexpr const char* kVardoSyncWord = "10011001100110010100110010011001";
constexpr float kVardoBitRate = 9600.0f;  // channel bits per second

struct VardoDecoder {
    VardoOptions opt;
    WavInput in;
    SlicerState slicer;
    RawbitClock clock;
    SyncRing ring;
    FrameBuffers buf;
    FrameLayout layout;
    PositionFilter filter;
    FrameSaving saving;
    LineBuf line;
    int out_fd = 1;
    int err_fd = 2;
};

// Front-end settings of this decoder; call before reading the header.
void vardo_decoder_init(VardoDecoder& v);

}  // namespace sonde::vardo
