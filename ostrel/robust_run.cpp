#include "ostrel/robust_run.h"

#include <algorithm>
#include <iterator>
#include <memory>

#include "ostrel/gps_repair.h"
#include "ostrel/robust_receiver.h"

namespace sonde::ostrel {

namespace {
constexpr int kRobustBlock = 4096;

struct RobustRun {
    RobustReceiver rx;
    GpsRepairTable repair;
    unsigned char bits[kRobustFrameBits];
    int block[kRobustBlock];
};
}  // namespace

void run_robust(WavInput& in, PacketOutput& out, const OstrelOptions& opt, int out_fd) {
    auto r = std::make_unique<RobustRun>();
    robust_receiver_init(r->rx, in.sample_rate, in.bits_sample);
    gps_repair_table_init(r->repair);
    auto on_frame = [&](const RobustFrame& f) {
        std::copy(std::begin(f.bits), std::end(f.bits), r->bits);
        // --rawbits shows the bits as read, before any repair.
        int flipped = 0;
        if (!opt.option_rawbits) flipped = gps_repair(r->repair, r->bits, f.llr).flipped;
        out.quality.present = true;
        out.quality.corrected = flipped;
        out.quality.snr_db = f.snr_db;
        out.quality.dc = f.dc;
        print_frame(out, opt, r->bits, kRobustFrameBits / 10, out_fd);
    };
    for (;;) {
        const int n = read_signed_samples(in, r->block, kRobustBlock);
        if (n == 0) return;
        robust_receiver_feed(r->rx, r->block, n, on_frame);
    }
}

}  // namespace sonde::ostrel
