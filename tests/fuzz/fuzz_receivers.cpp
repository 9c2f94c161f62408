// Fuzz target: the three weak-signal receivers and their frame layers on
// arbitrary samples. The first byte sets the run: bit 0 takes the rest as
// 32-bit floats (NaN, infinities and values beyond full scale included),
// else as 16-bit samples (a WAV stream's bytes serve as seeds); bits 1-7
// the block size. Every frame handed on goes through its kind's frame layer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "ostrel/frame_layer.h"
#include "ostrel/robust_receiver.h"
#include "pelkin/frame_layer.h"
#include "pelkin/robust_receiver.h"
#include "vardo/frame_layer.h"
#include "vardo/robust_receiver.h"

namespace {
struct Layers {
    sonde::vardo::SoftFrameState vardo;
    sonde::pelkin::SoftFrameState pelkin;
    sonde::ostrel::SoftFrameState ostrel;
    void operator()(const sonde::SoftFrame& f) {
        if (f.count <= 0 || f.hard == nullptr || f.soft == nullptr) __builtin_trap();
        for (int k = 0; k < f.count; k++)
            if (f.hard[k] > 1) __builtin_trap();
        if (f.kind == sonde::SondeKind::vardo) sonde::vardo::soft_frame_record(vardo, f);
        if (f.kind == sonde::SondeKind::pelkin) sonde::pelkin::soft_frame_record(pelkin, f);
        if (f.kind == sonde::SondeKind::ostrel) sonde::ostrel::soft_frame_record(ostrel, f);
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool floats = data[0] & 1;
    const std::size_t block = (data[0] >> 1) + 1;
    std::vector<float> x;
    const std::size_t width = floats ? 4 : 2;
    for (std::size_t p = 1; p + width <= size; p += width) {
        if (floats) {
            float v;
            std::memcpy(&v, data + p, 4);
            x.push_back(v);
        } else {
            x.push_back(static_cast<float>(static_cast<int16_t>(data[p] | data[p + 1] << 8)) / 32768.0f);
        }
    }
    static auto layers = [] {
        auto l = std::make_unique<Layers>();
        sonde::vardo::soft_frame_state_init(l->vardo);
        sonde::pelkin::soft_frame_state_init(l->pelkin);
        sonde::ostrel::soft_frame_state_init(l->ostrel);
        return l;
    }();
    const sonde::FrameSink sink = sonde::frame_sink(*layers);
    auto v = std::make_unique<sonde::vardo::RobustReceiver>();
    auto p = std::make_unique<sonde::pelkin::RobustReceiver>();
    auto o = std::make_unique<sonde::ostrel::RobustReceiver>();
    sonde::vardo::receiver_init(*v, 48000.0);
    sonde::pelkin::receiver_init(*p, 48000.0);
    sonde::ostrel::receiver_init(*o, 48000.0);
    for (std::size_t i = 0; i < x.size(); i += block) {
        const std::size_t n = x.size() - i < block ? x.size() - i : block;
        sonde::vardo::receiver_feed(*v, x.data() + i, n, sink);
        sonde::pelkin::receiver_feed(*p, x.data() + i, n, sink);
        sonde::ostrel::receiver_feed(*o, x.data() + i, n, sink);
    }
    return 0;
}
