// The test-signal synthesizer: what the decoders' tests stand on.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "synth/signals.h"
#include "synth/wav_writer.h"
#include "io/wav_input.h"

using namespace sonde;

TEST(Synth, WavFilesReadBackThroughTheFrontEnd) {
    for (int bits : {8, 16})
        for (int channels : {1, 2})
            for (auto style : {WavHeaderStyle::plain, WavHeaderStyle::list_chunk, WavHeaderStyle::fmt18,
                               WavHeaderStyle::sizes_zero, WavHeaderStyle::sizes_max}) {
                WavSpec wav_spec{44100, bits, channels, channels - 1, style};
                std::vector<double> signal{0.0, 0.5, -0.5, 1.0, -1.0, 2.0};
                std::vector<double> other{0.25, 0.25, 0.25, 0.25, 0.25, 0.25};
                std::string file = wav_file(wav_spec, signal, other);
                auto in = std::make_unique<WavInput>();
                in->wav_channel = channels - 1;
                source_open_memory(in->src, file.data(), file.size());
                ASSERT_EQ(read_wav_header(*in, -1), 0);
                EXPECT_EQ(in->sample_rate, 44100);
                EXPECT_EQ(in->bits_sample, bits);
                EXPECT_EQ(in->channels, channels);
                for (double x : signal) EXPECT_EQ(read_signed_sample(*in), wav_quantize(wav_spec, x));
                EXPECT_EQ(read_signed_sample(*in), kEndOfData);
            }
}

TEST(Synth, BasebandKeepsExactTimeAtFractionalSamplesPerBit) {
    BasebandGen g{44100.0, 9600.0, 0.5};
    std::vector<double> out;
    for (int k = 1; k <= 9600; k++) {
        baseband_bits(g, out, "1");
        EXPECT_EQ(out.size(), static_cast<std::size_t>(std::ceil(k * 44100.0 / 9600.0 - 1e-9))) << k;
        if (out.size() != static_cast<std::size_t>(std::ceil(k * 44100.0 / 9600.0 - 1e-9))) break;
    }
    EXPECT_EQ(out.size(), 44100u);
}

TEST(Synth, AfskIsPhaseContinuous) {
    AfskGen g{48000.0, 1200.0, 1200.0, 2200.0, 0.5};
    std::vector<double> out;
    afsk_bits(g, out, "0101100111000");
    const double max_step = 0.5 * 2 * 3.141592653589793 * 2200.0 / 48000.0 + 1e-9;
    for (std::size_t i = 1; i < out.size(); i++) EXPECT_LE(std::fabs(out[i] - out[i - 1]), max_step) << i;
    EXPECT_EQ(out.size(), 13u * 40u);
}

TEST(Synth, NoiseIsReproducibleFromItsSeedAndHitsTheRatio) {
    std::vector<double> a(20000, 0.5), b(20000, 0.5), c(20000, 0.5);
    add_noise(a, 10.0, 7);
    add_noise(b, 10.0, 7);
    add_noise(c, 10.0, 8);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    double noise_power = 0.0;
    for (double x : a) noise_power += (x - 0.5) * (x - 0.5);
    noise_power /= static_cast<double>(a.size());
    EXPECT_NEAR(10.0 * std::log10(0.25 / noise_power), 10.0, 0.2);
}

TEST(Synth, OffsetAndDrift) {
    std::vector<double> x(48000, 0.0);
    add_dc(x, 0.1);
    add_dc_drift(x, 48000.0, 0.2, 1.0);
    EXPECT_DOUBLE_EQ(x[0], 0.1);
    EXPECT_NEAR(x[12000], 0.3, 1e-12);
    EXPECT_NEAR(x[36000], -0.1, 1e-12);
}
