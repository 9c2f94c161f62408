// Everything one run of the decoder keeps, in one record: a test builds a
// fresh one per case.
#pragma once

#include "io/wav_input.h"
#include "slicer/rawbit.h"
#include "slicer/run_readers.h"
#include "slicer/sync_ring.h"
#include "vardo/frame_layer.h"
#include "vardo/options.h"

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
    VardoFrame frame;
    int out_fd = 1;
    int err_fd = 2;
};

// Front-end settings of this decoder; call before reading the header.
void vardo_decoder_init(VardoDecoder& v);

}  // namespace sonde::vardo
