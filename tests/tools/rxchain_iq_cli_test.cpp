// rxchain --iq-out as a program, measured by the tests' own spectrum and
// discriminator: Eb/N0 and the noise density, where the carrier sits, the
// image an I/Q imbalance makes, the level behind the AGC and the DC spike,
// each kind's deviation and the recording given back by FM demodulation,
// the clock error's stretch, and a mix of sondes each at its level and time.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "iq_analysis.h"
#include "support/run_program.h"
#include "synth/wav_writer.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

double db(double x) { return 10.0 * std::log10(x); }

// A clean recording from the named synthesizer (vardo, pelkin, ostrel).
std::string synth(const TempDir& dir, const std::string& kind, const std::vector<std::string>& args = {}) {
    const std::string path = dir.file(kind + std::to_string(args.size()) + ".wav");
    std::vector<std::string> a = args;
    a.insert(a.end(), {"-o", path});
    const std::string exe = kind == "vardo" ? VARDO_SYNTH_EXE : kind == "pelkin" ? PELKIN_SYNTH_EXE : OSTREL_SYNTH_EXE;
    EXPECT_EQ(run_program(exe, a).status, 0) << kind;
    return path;
}

// rxchain's capture of the given options, decoded.
Iq capture(const std::vector<std::string>& args, const std::string& format) {
    std::vector<std::string> a = {"--iq-out", format};
    a.insert(a.end(), args.begin(), args.end());
    const ProcessResult r = run_program(RXCHAIN_EXE, a);
    EXPECT_EQ(r.status, 0) << r.err;
    return iq_decode(format, r.out);
}

// The 16-bit mono samples of a WAV file with the plain 44-byte header.
std::vector<double> wav_samples(const std::string& path) {
    const std::string w = read_file(path);
    std::vector<double> s;
    for (std::size_t p = 44; p + 1 < w.size(); p += 2)
        s.push_back(static_cast<int16_t>(static_cast<uint8_t>(w[p]) | static_cast<uint8_t>(w[p + 1]) << 8));
    return s;
}

double rms(const Iq& x, std::size_t from, std::size_t to) {
    double p = 0.0;
    for (std::size_t i = from; i < to; i++) p += std::norm(x[i]);
    return std::sqrt(p / (2.0 * static_cast<double>(to - from)));  // of I and Q values alike
}

// Eb/N0 (dB) of a constant-envelope carrier in complex white noise, from
// the moments of |z|^2: E|z|^2 = A^2 + s^2, E|z|^4 = A^4 + 4 A^2 s^2 + 2 s^4.
double measured_ebn0_db(const Iq& x, double fs, double bit_rate) {
    double m2 = 0.0, m4 = 0.0;
    for (const auto& z : x) m2 += std::norm(z), m4 += std::norm(z) * std::norm(z);
    m2 /= static_cast<double>(x.size());
    m4 /= static_cast<double>(x.size());
    const double c = std::sqrt(2.0 * m2 * m2 - m4), n0 = (m2 - c) / fs;
    return db(c / n0 / bit_rate);
}

// The strongest 20 kHz wide stretch of the spectrum, and the power-weighted
// mean frequency within 20 kHz of it.
double find_carrier(const Spectrum& sp) {
    const int w = static_cast<int>(10000 / sp.bin_hz()), n = static_cast<int>(sp.p.size());
    double best = -1.0;
    int at = 0;
    for (int k = w; k + w < n; k++) {
        double s = 0.0;
        for (int j = k - w; j <= k + w; j++) s += sp.p[static_cast<std::size_t>(j)];
        if (s > best) best = s, at = k;
    }
    const double f = -sp.fs / 2 + at * sp.bin_hz();
    return sp.centroid(f - 20000, f + 20000);
}

}  // namespace

TEST(RxChainIq, NoiseDensityFollowsEbN0AsTheAudioChainCountsIt) {
    TempDir dir;
    const struct {
        const char* kind;
        double bit_rate;  // the Eb/N0 of bench/sensitivity counts Eb per this
        const char* rate;
        double fs;
        double ebn0;  // carrier and noise about equal over the band
        const char* format;
    } table[] = {{"vardo", 9600, "250k", 250000, 14, "f32le"},
                 {"pelkin", 4800, "96k", 96000, 13, "s16le"},
                 {"ostrel", 1200, "1.024M", 1024000, 29, "u8"}};
    for (const auto& t : table) {
        const std::string clean = synth(dir, t.kind, {"--frames", "2"});
        const Iq x = capture({"--iq-rate", t.rate, "--profile", t.kind, "--ebn0", std::to_string(t.ebn0), "--offset",
                              "20k", "--seed", "3", clean},
                             t.format);
        ASSERT_GT(x.size(), 100000u);
        EXPECT_NEAR(measured_ebn0_db(x, t.fs, t.bit_rate), t.ebn0, 0.25) << t.kind;
    }
}

TEST(RxChainIq, CarrierIsFoundAgainAtItsOffsetWithItsDrift) {
    TempDir dir;
    const std::string clean = synth(dir, "vardo", {"--frames", "8", "--period", "0.25"});  // 2.05 s
    const struct {
        const char* rate;
        double fs;
        double offset, drift;
    } table[] = {{"250k", 250000, 25000, 0},
                 {"250k", 250000, -95000, 0},
                 {"1.024M", 1024000, 480000, 0},
                 {"250k", 250000, 25000, 100},
                 {"2.048M", 2048000, -600000, -2000}};
    for (const auto& t : table) {
        const Iq x = capture(
            {"--iq-rate", t.rate, "--offset", std::to_string(t.offset), "--drift", std::to_string(t.drift), clean},
            "f32le");
        const std::size_t half = x.size() / 2;
        // Each half's mean frequency: the drift at its middle.
        const double t1 = 0.25 * static_cast<double>(x.size()) / t.fs, t2 = 3 * t1;
        EXPECT_NEAR(find_carrier(spectrum(x, 0, half, t.fs)), t.offset + t.drift * t1, 60) << t.offset;
        EXPECT_NEAR(find_carrier(spectrum(x, half, x.size(), t.fs)), t.offset + t.drift * t2, 60) << t.offset;
    }
}

TEST(RxChainIq, ImbalanceMirrorsTheCarrierAtTheFormulasLevel) {
    TempDir dir;
    const std::string clean = synth(dir, "vardo", {"--frames", "4", "--period", "0.25"});
    for (const auto& [gain_db, phase_deg] : {std::pair{1.0, 0.0}, {0.0, 3.0}, {0.5, 2.0}}) {
        const double g = std::pow(10.0, gain_db / 20), p = phase_deg * kPi / 180;
        const double image_db = db((1 - 2 * g * std::cos(p) + g * g) / (1 + 2 * g * std::cos(p) + g * g));
        const std::string imb = std::to_string(gain_db) + "," + std::to_string(phase_deg);
        const Iq x = capture({"--iq-rate", "250k", "--offset", "25k", "--iq-imbalance", imb, clean}, "f32le");
        const Spectrum sp = spectrum(x, 0, x.size(), 250000);
        EXPECT_NEAR(db(sp.band(-45000, -5000) / sp.band(5000, 45000)), image_db, 0.3) << imb;
    }
}

TEST(RxChainIq, EveryFormatHoldsAQuarterOfFullScaleAndTheDcSpikeItsLevel) {
    TempDir dir;
    const std::string clean = synth(dir, "vardo", {"--frames", "2"});
    for (const char* format : {"u8", "s8", "s16le", "f32le", "wav"}) {
        // A carrier far above the noise, then noise alone with a -30 dBFS
        // spike: 0.0224 on I and on Q, on top of the AGC's 0.25.
        Iq x = capture({"--iq-rate", "250k", "--ebn0", "60", "--offset", "-30k", clean}, format);
        EXPECT_NEAR(rms(x, 0, x.size()), 0.25, 0.004) << format;
        x = capture({"--iq-rate", "250k", "--no-carrier", "--ebn0", "10", "--seconds", "0.5", "--dc-spike", "-30"},
                    format);
        ASSERT_EQ(x.size(), 125000u) << format;
        const double dc = std::pow(10.0, -30.0 / 20) / std::sqrt(2.0);
        EXPECT_NEAR(rms(x, 0, x.size()), std::hypot(0.25, dc), 0.004) << format;
        std::complex<double> mean = 0.0;
        for (const auto& z : x) mean += z / static_cast<double>(x.size());
        EXPECT_NEAR(mean.real(), dc, 0.0025) << format;  // the noise's mean: 0.0007 at one sigma
        EXPECT_NEAR(mean.imag(), dc, 0.0025) << format;
    }
}

TEST(RxChainIq, DemodulatedCaptureGivesBackTheRecording) {
    TempDir dir;
    const struct {
        const char* kind;
        std::vector<std::string> synth_args;
        double deviation;
        const char* rate;
        double fs;
        const char* format;
        double cutoff;  // of the discriminator's low-pass: the signal and some noise
    } table[] = {
        {"vardo", {"--frames", "4", "--period", "0.25"}, 2400, "250k", 250000, "f32le", 40000},
        {"pelkin", {"--frames", "1"}, 2400, "250k", 250000, "u8", 40000},
        {"ostrel", {"--frames", "2"}, 3500, "96k", 96000, "s16le", 40000},
        {"vardo", {"--frames", "2", "--period", "0.25", "--rate", "44100"}, 2400, "2.048M", 2048000, "s8", 100000}};
    for (const auto& t : table) {
        const std::string clean = synth(dir, t.kind, t.synth_args);
        const Iq x =
            capture({"--iq-rate", t.rate, "--profile", t.kind, "--ebn0", "50", "--offset", "-20k", clean}, t.format);
        const std::vector<double> f = fm_demodulate(x, t.fs, -20000, t.cutoff);
        const std::vector<double> a = wav_samples(clean);
        const double audio_rate = t.synth_args.size() > 4 ? 44100 : 48000;
        double peak = 0.0;
        for (double v : a) peak = std::max(peak, std::fabs(v));
        // The discriminator's mean over one audio sample period around each
        // audio sample's time, lagged by `lag` audio samples.
        std::vector<double> sum(f.size() + 1, 0.0);
        for (std::size_t i = 0; i < f.size(); i++) sum[i + 1] = sum[i] + f[i];
        const std::size_t h = static_cast<std::size_t>(t.fs / audio_rate / 2);
        auto fit = [&](int lag) {
            double sfa = 0, saa = 0, sff = 0;
            for (std::size_t k = 200; k + 200 < a.size(); k++) {
                const std::size_t i =
                    static_cast<std::size_t>(std::lround((static_cast<double>(k) + lag) / audio_rate * t.fs));
                const double v = (sum[i + h + 1] - sum[i - h]) / static_cast<double>(2 * h + 1), u = a[k] / peak;
                sfa += v * u, saa += u * u, sff += v * v;
            }
            return sfa / std::sqrt(saa * sff);
        };
        const double r = fit(0);
        EXPECT_GT(r, 0.98) << t.kind;
        EXPECT_GT(r, fit(-1)) << t.kind;  // in step with the recording
        EXPECT_GT(r, fit(1)) << t.kind;
    }
}

TEST(RxChainIq, RecordingsPeakComesOutAtEachKindsDeviation) {
    TempDir dir;
    // Half a second at the peak, half a second at minus half of it.
    std::vector<double> level(48000, 0.5);
    std::fill(level.begin() + 24000, level.end(), -0.25);
    const std::string clean = dir.file("level.wav");
    ASSERT_TRUE(write_file(clean, wav_file(WavSpec{}, level)));
    for (const auto& [kind, deviation] : {std::pair{"vardo", 2400.0}, {"pelkin", 2400.0}, {"ostrel", 3500.0}}) {
        const Iq x = capture({"--iq-rate", "250k", "--profile", kind, "--offset", "10k", clean}, "f32le");
        const std::vector<double> f = fm_demodulate(x, 250000, 0, 40000);
        double first = 0.0, second = 0.0;
        for (std::size_t i = 25000; i < 100000; i++) first += f[i] / 75000, second += f[i + 125000] / 75000;
        EXPECT_NEAR(first, 10000 + deviation, 1.0) << kind;
        EXPECT_NEAR(second, 10000 - deviation / 2, 1.0) << kind;
    }
}

TEST(RxChainIq, ClockErrorStretchesTheCapture) {
    TempDir dir;
    const std::string clean = synth(dir, "vardo", {"--frames", "8", "--period", "0.25"});  // 2.05 s
    const std::vector<double> a = wav_samples(clean);
    for (double ppm : {1000.0, -1000.0}) {
        const Iq x = capture({"--iq-rate", "250k", "--clock-ppm", std::to_string(ppm), clean}, "f32le");
        const double seconds = static_cast<double>(a.size()) / 48000;
        EXPECT_NEAR(static_cast<double>(x.size()), std::ceil(seconds * 250000 * (1 + ppm * 1e-6)), 1.0) << ppm;
        // Around 1.85 s by the file's rate the capture holds what was sent at
        // 1.85 / (1 + ppm 1e-6) s: 1.85 ms (89 audio samples) early or late.
        const std::vector<double> f = fm_demodulate(x, 250000, 0, 40000);
        int best_lag = 0;
        double best = -1.0;
        for (int lag = -120; lag <= 120; lag++) {
            double s = 0.0;
            for (std::size_t k = 86400; k < 86400 + 4800; k++) {
                const std::size_t i = static_cast<std::size_t>(static_cast<double>(k) / 48000 * 250000);
                s += f[i] * a[static_cast<std::size_t>(static_cast<long>(k) + lag)];
            }
            if (s > best) best = s, best_lag = lag;
        }
        EXPECT_NEAR(best_lag, -1.85e-3 * ppm / 1000 * 48000, 1.5) << ppm;
    }
}

TEST(RxChainIq, MixPutsEachSondeAtItsLevelOffsetAndTime) {
    TempDir dir;
    const std::string v = synth(dir, "vardo", {"--frames", "8", "--period", "0.25"});
    const std::string o = synth(dir, "ostrel", {"--frames", "2"});
    const std::vector<std::string> args = {"--mix",
                                           "--iq-rate",
                                           "1.024M",
                                           "--duration",
                                           "2",
                                           "--seed",
                                           "3",
                                           "--sonde",
                                           v + ":kind=vardo:offset=-300k:ebn0=30:stop=1",
                                           "--sonde",
                                           o + ":kind=ostrel:offset=+400k:ebn0=40:start=0.5"};
    const Iq x = capture(args, "f32le");
    ASSERT_EQ(x.size(), 2048000u);
    const double fs = 1024000, q = 256000;  // a quarter second in samples
    // Each quarter: its spectrum, the noise density from a band no sonde uses,
    // and each sonde's carrier power above that noise.
    for (int k = 0; k < 8; k++) {
        const double t = (k + 0.5) / 4;
        const Spectrum sp = spectrum(x, static_cast<std::size_t>(k * q), static_cast<std::size_t>((k + 1) * q), fs);
        const double n0 = sp.band(50000, 250000) / 200000;
        const double cv = sp.band(-325000, -275000) - n0 * 50000, co = sp.band(375000, 425000) - n0 * 50000;
        // C/N0 = Eb/N0 + 10 log10(bit rate): 69.8 dB-Hz for vardo, 70.8 for ostrel.
        if (t < 1)
            EXPECT_NEAR(db(cv / n0), 30 + db(9600), 0.3) << t;
        else
            EXPECT_LT(cv / n0, 5000) << t;  // under 37 dB-Hz: gone (the noise's own estimate scatters by 500 Hz)
        if (t > 0.5)
            EXPECT_NEAR(db(co / n0), 40 + db(1200), 0.3) << t;
        else
            EXPECT_LT(co / n0, 5000) << t;
        EXPECT_NEAR(rms(x, static_cast<std::size_t>(k * q), static_cast<std::size_t>((k + 1) * q)), 0.25, 0.004) << t;
    }
}

TEST(RxChainIq, PipeGivesWhatTheFileGives) {
    TempDir dir;
    const std::string clean = synth(dir, "vardo", {"--frames", "3", "--period", "0.25"});
    const std::vector<std::string> args = {"--iq-out", "f32le", "--iq-rate", "250k", "--ebn0", "12", "--peak", "0.5"};
    std::vector<std::string> named = args;
    named.push_back(clean);
    const ProcessResult from_file = run_program(RXCHAIN_EXE, named);
    const ProcessResult from_pipe = run_program(RXCHAIN_EXE, args, read_file(clean));
    ASSERT_EQ(from_file.status, 0) << from_file.err;
    EXPECT_EQ(from_pipe.out, from_file.out);
    std::vector<std::string> other = named;
    other.insert(other.end(), {"--seed", "2"});
    EXPECT_NE(run_program(RXCHAIN_EXE, other).out, from_file.out);
}

TEST(RxChainIq, SettingsThatMakeNoCaptureAreRefused) {
    const std::vector<std::vector<std::string>> table = {
        {"--iq-out", "u9", "--seconds", "1", "--no-carrier"},
        {"--iq-out", "u8", "--iq-rate", "95k", "--no-carrier", "--seconds", "1"},
        {"--iq-out", "u8", "--iq-rate", "250000.5", "--no-carrier", "--seconds", "1"},  // not a whole Hz
        {"--iq-rate", "250k", "--no-carrier", "--seconds", "1"},                        // I/Q options without --iq-out
        {"--iq-out", "u8", "--bits", "8", "--no-carrier", "--seconds", "1"},            // an audio option
        {"--iq-out", "u8", "--iq-rate", "250k", "--offset", "125k", "x.wav"},           // outside the band
        {"--iq-out", "u8", "--iq-imbalance", "1", "--no-carrier", "--seconds", "1"},
        {"--iq-out", "u8", "--mix"},                                 // no sondes, no length
        {"--iq-out", "u8", "--mix", "--sonde", "x.wav:ebn0=10"},     // no kind
        {"--iq-out", "u8", "--mix", "--sonde", "x.wav:kind=vardo"},  // no level
        {"--iq-out", "u8", "--sonde", "x.wav:kind=vardo:ebn0=9"},    // --sonde without --mix
    };
    for (const auto& args : table) {
        const ProcessResult r = run_program(RXCHAIN_EXE, args);
        EXPECT_EQ(r.status, 2) << args[args.size() - 1];
        EXPECT_TRUE(r.out.empty());
    }
}
