// The receivers' contract, over all three kinds: the frames a receiver hands
// on do not depend on how its samples are split into blocks; and no program,
// on its default path or --robust, marks good a frame of another kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "captured_output.h"
#include "ostrel/ostrel_synth.h"
#include "ostrel/program.h"
#include "ostrel/robust_receiver.h"
#include "pelkin/pelkin_synth.h"
#include "pelkin/program.h"
#include "pelkin/robust_receiver.h"
#include "synth/signals.h"
#include "synth/wav_writer.h"
#include "vardo/program.h"
#include "vardo/robust_receiver.h"
#include "vardo/vardo_synth.h"

using namespace sonde;

namespace {

constexpr double kRate = 48000.0;

// Three frames of the kind, clean, as its synthesizer makes them.
std::vector<double> recording(SondeKind kind) {
    std::vector<double> x;
    if (kind == SondeKind::vardo) {
        std::vector<std::vector<uint8_t>> frames;
        for (uint8_t i = 0; i < 3; i++) frames.push_back(vardo_frame_bytes(VardoFrameFields{.frame_counter = i}));
        return vardo_signal(frames, VardoTiming{.period_s = 0.3});
    }
    if (kind == SondeKind::pelkin) {
        std::vector<std::string> air;
        for (int i = 0; i < 3; i++)
            air.push_back(pelkin_air_bits(pelkin_frame_bytes(PelkinFields{.lat_e6 = 48123456 + 1111 * i}), 0));
        return pelkin_recording(PelkinTx{.gap_bits = 600}, air).signal;
    }
    std::vector<std::vector<uint8_t>> tx;
    for (int i = 0; i < 3; i++) {
        const auto p = ostrel_gps_packet(OstrelGps{.lat = 48.0f, .alt_raw = 7000, .second = static_cast<uint8_t>(i)});
        tx.push_back(ostrel_transmission({p.begin(), p.end()}, static_cast<uint32_t>(i)));
    }
    return ostrel_recording(OstrelRecordingSpec{}, tx);
}

// A SoftFrame's contents, kept.
struct Got {
    SondeKind kind;
    int type, count;
    std::vector<unsigned char> hard;
    std::vector<float> soft;
    std::string raw;
    int64_t start, end;
    double snr_db, dc;
    uint32_t flags;
    bool operator==(const Got&) const = default;
};

template <class Receiver>
std::vector<Got> receive(const std::vector<float>& x, std::size_t block) {
    auto rx = std::make_unique<Receiver>();
    EXPECT_TRUE(receiver_init(*rx, kRate));
    std::vector<Got> got;
    auto take = [&](const SoftFrame& f) {
        got.push_back({f.kind,
                       f.type,
                       f.count,
                       {f.hard, f.hard + f.count},
                       {f.soft, f.soft + f.count},
                       f.raw ? f.raw : "",
                       f.start_sample,
                       f.end_sample,
                       f.snr_db,
                       f.dc,
                       f.flags});
    };
    const FrameSink sink = frame_sink(take);
    for (std::size_t i = 0; i < x.size(); i += block)
        receiver_feed(*rx, x.data() + i, std::min(block, x.size() - i), sink);
    return got;
}

using Receive = std::vector<Got> (*)(const std::vector<float>&, std::size_t);
struct Kind {
    SondeKind kind;
    Receive receive;
    int (*program_main)(int, char**, const ProgramIo&);
};
const Kind kKinds[] = {{SondeKind::vardo, receive<vardo::RobustReceiver>, vardo::program_main},
                       {SondeKind::pelkin, receive<pelkin::RobustReceiver>, pelkin::program_main},
                       {SondeKind::ostrel, receive<ostrel::RobustReceiver>, ostrel::program_main}};
std::string kind_name(const testing::TestParamInfo<Kind>& p) { return sonde_kind_name(p.param.kind); }

class Receivers : public testing::TestWithParam<Kind> {};

// All three kinds one after another, with noise: every receiver gets the
// same samples, its own frames among the others'.
const std::vector<float>& mixed() {
    static const std::vector<float> x = [] {
        std::vector<double> all;
        for (const Kind& k : kKinds) {
            const std::vector<double> r = recording(k.kind);
            all.insert(all.end(), r.begin(), r.end());
        }
        add_noise(all, 10.0, 5);
        return std::vector<float>(all.begin(), all.end());
    }();
    return x;
}

}  // namespace

TEST_P(Receivers, TheSameFramesWhateverTheBlocks) {
    const std::vector<float>& x = mixed();
    const std::vector<Got> whole = GetParam().receive(x, x.size());
    ASSERT_GE(whole.size(), 2u);
    for (const Got& g : whole) EXPECT_EQ(g.kind, GetParam().kind);
    for (std::size_t block : {1, 7, 4096}) EXPECT_TRUE(GetParam().receive(x, block) == whole) << block;
}

// Each program on every kind's clean recording, default path and --robust:
// its own frames come out good, no other kind's frame does.
TEST_P(Receivers, NoFrameOfAnotherKindIsGood) {
    for (const Kind& k : kKinds) {
        const std::string wav = wav_file(WavSpec{}, recording(k.kind));
        for (bool robust : {false, true}) {
            CapturedOutput out, err;
            const ProgramIo io{.out_fd = out.fd(),
                               .err_fd = err.fd(),
                               .in_mem = reinterpret_cast<const unsigned char*>(wav.data()),
                               .in_len = wav.size()};
            std::string name = sonde_kind_name(GetParam().kind), json = "--json", mode = "--robust";
            std::vector<char*> argv = {name.data(), json.data(), robust ? mode.data() : nullptr, nullptr};
            GetParam().program_main(robust ? 3 : 2, argv.data(), io);
            const bool good = out.take().find("\"ok\":true") != std::string::npos;
            EXPECT_EQ(good, k.kind == GetParam().kind) << sonde_kind_name(k.kind) << (robust ? " --robust" : "");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, Receivers, testing::ValuesIn(kKinds), kind_name);
