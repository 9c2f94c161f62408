#include "robust_run.h"

#include <algorithm>
#include <iterator>
#include <memory>

#include "gps_repair.h"
#include "robust_receiver.h"

namespace {
constexpr int kRobustBlock = 4096;

struct RobustRun {
    ostrel::RobustReceiver rx;
    ostrel::GpsRepairTable repair;
    unsigned char bits[ostrel::kRobustFrameBits];
    int block[kRobustBlock];
};
}  // namespace

void run_robust(WavInput& in, PacketOutput& out, const OstrelOptions& opt, int out_fd) {
    auto r = std::make_unique<RobustRun>();
    ostrel::robust_receiver_init(r->rx, in.sample_rate, in.bits_sample);
    ostrel::gps_repair_table_init(r->repair);
    auto on_frame = [&](const ostrel::RobustFrame& f) {
        std::copy(std::begin(f.bits), std::end(f.bits), r->bits);
        // --rawbits shows the bits as read, before any repair.
        if (!opt.option_rawbits) ostrel::gps_repair(r->repair, r->bits, f.llr);
        print_frame(out, opt, r->bits, ostrel::kRobustFrameBits / 10, out_fd);
    };
    for (;;) {
        const int n = read_signed_samples(in, r->block, kRobustBlock);
        if (n == 0) return;
        ostrel::robust_receiver_feed(r->rx, r->block, n, on_frame);
    }
}
