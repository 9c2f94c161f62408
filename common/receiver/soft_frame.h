// The receivers' contract. A receiver is pushed blocks of samples at full
// scale +-1, of any size (the frames that come out are the same), and hands
// each frame to a sink as one SoftFrame as soon as its last sample is in.
// Check and correction belong to the frame layer of the frame's kind.
//
//   receiver_init(rx, rate);                 // each kind's own state struct
//   receiver_feed(rx, block, n, sink);       // repeatedly, forward only
//
// Audio receivers take `const float*`. A receiver fed the complex samples of
// an I/Q channel takes `const std::complex<float>*` and hands on the same
// SoftFrame through the same sink, so frame layers never know which it was.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace sonde {

// A sample as receivers take it: beyond full scale counts as full scale,
// NaN as 0 (a receiver fed anything stays inside its buffers).
constexpr float full_scale_sample(float x) { return x >= -1.0f ? (x <= 1.0f ? x : 1.0f) : (x < -1.0f ? -1.0f : 0.0f); }

// The same for a block, on the floats' bits without branches, so that the
// compiler takes several samples at a time (the same for all 2^32 floats).
inline void full_scale_samples(const float* x, std::size_t n, float* out) {
    for (std::size_t i = 0; i < n; i++) {
        const uint32_t bits = std::bit_cast<uint32_t>(x[i]);
        const uint32_t mag = bits & 0x7fffffffu;
        const uint32_t over = 0u - static_cast<uint32_t>(mag > 0x3f800000u);     // beyond 1, infinities, NaN
        const uint32_t number = 0u - static_cast<uint32_t>(mag <= 0x7f800000u);  // all but NaN
        const uint32_t one = 0x3f800000u | (bits & 0x80000000u);                 // 1 with x's sign
        out[i] = std::bit_cast<float>(((bits & ~over) | (one & over)) & number);
    }
}

// The kinds of sonde, named after the programs that decode them.
enum class SondeKind : uint8_t { vardo, pelkin, ostrel };
constexpr int kSondeKinds = 3;

constexpr const char* sonde_kind_name(SondeKind k) {
    constexpr const char* kNames[kSondeKinds] = {"vardo", "pelkin", "ostrel"};
    return static_cast<int>(k) < kSondeKinds ? kNames[static_cast<int>(k)] : "?";
}

// One frame as a receiver read it. The arrays belong to the receiver and are
// valid only during the sink's call.
struct SoftFrame {
    SondeKind kind = SondeKind::vardo;
    int type = 0;   // the kind's frame type where it has several (vardo: index of its frame types), else 0
    int count = 0;  // values in hard[] and soft[]: frame bits, or symbols where the kind's correction works on them
    const unsigned char* hard = nullptr;  // decisions, 0 or 1
    const float* soft = nullptr;          // reliabilities: positive for 1, the larger the surer
    const char* raw = nullptr;            // the kind's raw channel-bit decisions as '0'/'1' text, or nullptr
    int64_t start_sample = 0;             // input sample where the frame's first bit begins
    int64_t end_sample = 0;               // input sample just after its last bit
    double snr_db = 0.0;                  // receive quality: mean^2 / variance of the soft values
    double dc = 0.0;                      // the audio's DC level at the frame, fraction of full scale
    uint32_t flags = 0;                   // kind-specific reading notes, see kSoftFrame*
};

// pelkin: the frame was read with the receiver's de-emphasis undone (click
// limiting then had nothing to do, so correction gives flips no bonus).
constexpr uint32_t kSoftFrameDeemphasisUndone = 1u;

// Where frames go: a function and its context, no allocation.
struct FrameSink {
    void (*take)(void* ctx, const SoftFrame& f) = nullptr;
    void* ctx = nullptr;
    void operator()(const SoftFrame& f) const { take(ctx, f); }
};

// A sink calling any callable object f (which must outlive the sink).
template <class F>
FrameSink frame_sink(F& f) {
    return FrameSink{[](void* ctx, const SoftFrame& fr) { (*static_cast<F*>(ctx))(fr); }, &f};
}

}  // namespace sonde
