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

struct PelkinDecoder {
    PelkinOptions opt;
    WavInput in;
    SlicerState slicer;  // also holds option_inv and option_res
    RawbitClock clock{.anchor = RawbitAnchor::sample_count};
    SyncRing ring;
    DcFilter dc;
    PelkinFrame frame;
    int out_fd = 1;
};

// This program's front-end settings, on a fresh decoder.
inline void pelkin_decoder_init(PelkinDecoder& d, int out_fd) {
    d.in.nominal_bit_rate = kPelkinBitRate;
    sync_ring_init(d.ring, kPelkinSyncWord);
    d.out_fd = out_fd;
}

}  // namespace sonde::pelkin
