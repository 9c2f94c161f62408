// Everything one decoder run holds: options, input, bit readers, sync ring,
// DC filter and the frame being handled.
#pragma once

#include "slicer/run_readers.h"
#include "pelkin/dc_filter.h"
#include "pelkin/frame_layer.h"
#include "pelkin/options.h"
#include "slicer/rawbit.h"
#include "slicer/sync_ring.h"
#include "io/wav_input.h"

namespace sonde::pelkin {

// Two 10-bit groups carrying 0xAA.
constexpr char kPelkinSyncWord[] = "00101010110010101011";
constexpr float kPelkinBitRate = 4800.0f;

struct PelkinDecoder {
    PelkinOptions opt;
    WavInput in;
    SlicerState slicer;  // also holds option_inv and option_res
    RawbitClock clock;
    SyncRing ring;
    DcFilter dc;
    PelkinFrame frame;
    int out_fd = 1;
};

// Fresh state with this program's front-end settings.
void pelkin_decoder_init(PelkinDecoder& d, int out_fd);

}  // namespace sonde::pelkin
