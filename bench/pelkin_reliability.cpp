// How well pelkin's weak-signal receiver knows its own bits: runs the
// receiver over a clean recording and over noisy copies of it (rxchain),
// matches the frames by their end, and prints, per band of reliability
// (|soft|), how many data bits were read and how many of them wrong; then
// the frames decoded with the CRC correction with and without the flip
// bonus. The reliabilities are those of the reading that won (plain or
// with de-emphasis undone).
// usage: pelkin_reliability CLEAN.wav NOISY.wav...
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "pelkin/frame_bytes.h"
#include "pelkin/robust_correction.h"
#include "pelkin/robust_receiver.h"
#include "io/wav_input.h"
#include "receiver/sample_pump.h"

namespace {
using namespace sonde::pelkin;
using sonde::kGroupBits;

struct ReadFrame {
    uint64_t end;
    std::string bits;
    std::vector<float> soft;
    bool deemphasis_undone;
};

// Frames of a recording as the receiver reads them, before correction.
bool read_frames(const char* path, std::vector<ReadFrame>& out) {
    auto in = std::make_unique<sonde::WavInput>();
    in->nominal_bit_rate = 4800.0f;
    if (!sonde::source_open_file(in->src, path) || sonde::read_wav_header(*in, -1) != 0) {
        std::fprintf(stderr, "pelkin_reliability: cannot read %s\n", path);
        return false;
    }
    auto rx = std::make_unique<RobustReceiver>();
    receiver_init(*rx, in->sample_rate);
    auto take = [&](const sonde::SoftFrame& f) {
        std::string bits;
        for (int k = 0; k < f.count; k++) bits.push_back(f.hard[k] ? '1' : '0');
        out.push_back(ReadFrame{static_cast<uint64_t>(f.end_sample), bits, std::vector<float>(f.soft, f.soft + f.count),
                                (f.flags & sonde::kSoftFrameDeemphasisUndone) != 0});
    };
    auto pump = std::make_unique<sonde::SamplePump>();
    while (const std::size_t n = sonde::pump_block(*pump, *in)) receiver_feed(*rx, pump->x, n, sonde::frame_sink(take));
    sonde::source_close(in->src);
    return true;
}

bool is_data_bit(int k) { return k % kGroupBits != 0 && k % kGroupBits != kGroupBits - 1; }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: pelkin_reliability CLEAN.wav NOISY.wav...\n");
        return 2;
    }
    std::vector<ReadFrame> clean;
    if (!read_frames(argv[1], clean)) return 1;
    auto syn = std::make_unique<CrcSyndromes>();
    crc_syndromes_init(*syn);

    constexpr int kBands = 16;
    constexpr double kBandWidth = 0.025;
    long bits[kBands] = {}, wrong[kBands] = {};
    long sent = 0, missed = 0, decoded_plain = 0, decoded_bonus = 0;
    for (int a = 2; a < argc; a++) {
        std::vector<ReadFrame> noisy;
        if (!read_frames(argv[a], noisy)) return 1;
        for (const ReadFrame& c : clean) {
            sent++;
            const ReadFrame* m = nullptr;
            for (const ReadFrame& n : noisy)
                if (std::llabs(static_cast<long long>(n.end) - static_cast<long long>(c.end)) < 30) m = &n;
            if (!m) {
                missed++;
                continue;
            }
            // The bytes the CRC covers start after the leading preamble groups.
            uint8_t bytes[kFrameBytesSize];
            const int first = (kFrameGroups - bits2bytes(c.bits.data(), bytes)) * kGroupBits;
            const int last = first + kCheckedBytes * kGroupBits;
            auto same = [&](const std::string& b) {
                for (int k = first; k < last; k++)
                    if (is_data_bit(k) && b[k] != c.bits[k]) return false;
                return true;
            };
            for (int k = first; k < last; k++) {
                if (!is_data_bit(k)) continue;
                const int band = std::min(kBands - 1, static_cast<int>(std::fabs(m->soft[k]) / kBandWidth));
                bits[band]++;
                if (m->bits[k] != c.bits[k]) wrong[band]++;
            }
            for (float bonus : {0.0f, kClickFlipBonus}) {
                std::string b = m->bits;
                const float used = m->deemphasis_undone ? 0.0f : bonus;
                if (correct_frame_bits(*syn, b.data(), m->soft.data(), used) >= 0 && same(b))
                    (bonus > 0.0f ? decoded_bonus : decoded_plain)++;
            }
        }
    }
    std::printf("reliability      bits   wrong   share wrong\n");
    for (int i = 0; i < kBands; i++) {
        const char* more = i == kBands - 1 ? "+" : " ";
        std::printf("%.3f-%.3f%s %8ld %7ld   %.4f\n", i * kBandWidth, (i + 1) * kBandWidth, more, bits[i], wrong[i],
                    bits[i] ? static_cast<double>(wrong[i]) / static_cast<double>(bits[i]) : 0.0);
    }
    std::printf("frames sent %ld, not found %ld, decoded without the bonus %ld, with it %ld\n", sent, missed,
                decoded_plain, decoded_bonus);
    return 0;
}
