#include "hostile_input.h"

#include <cstdio>

#include "ostrel/ostrel_synth.h"
#include "pelkin/pelkin_synth.h"
#include "synth/wav_writer.h"
#include "vardo/vardo_synth.h"

const char* prog_exe(Prog p) {
    switch (p) {
        case Prog::vardo:
            return VARDO_EXE;
        case Prog::pelkin:
            return PELKIN_EXE;
        case Prog::ostrel:
            return OSTREL_EXE;
    }
    return "";
}

std::string prog_name(Prog p) {
    switch (p) {
        case Prog::vardo:
            return "vardo";
        case Prog::pelkin:
            return "pelkin";
        case Prog::ostrel:
            return "ostrel";
    }
    return "";
}

std::string prog_param_name(const ::testing::TestParamInfo<Prog>& info) { return prog_name(info.param); }

std::string info_lines(int rate, int bits, int channels) {
    char s[200];
    std::snprintf(s, sizeof s, "sample_rate: %d\nbits       : %d\nchannels   : %d\n", rate, bits, channels);
    return s;
}

std::string info_lines(Prog p, int rate, int bits, int channels) {
    std::string s = info_lines(rate, bits, channels);
    if (p == Prog::ostrel) return s;
    const float bit_rate = p == Prog::vardo ? 9600.0f : 4800.0f;
    char spb[64];
    std::snprintf(spb, sizeof spb, "samples/bit: %.2f\n", static_cast<double>(static_cast<float>(rate) / bit_rate));
    return s + spb;
}

ProcessResult run_on_file(Prog p, std::vector<std::string> args, const std::string& wav) {
    TempDir dir;
    write_file(dir.file("in.wav"), wav);
    args.push_back(dir.file("in.wav"));
    return run_program(prog_exe(p), args, "", dir.path);
}

ProcessResult run_on_stdin(Prog p, const std::vector<std::string>& args, const std::string& wav) {
    TempDir dir;
    return run_program(prog_exe(p), args, wav, dir.path);
}

std::string mono_wav(const std::vector<double>& x, int rate, int bits) {
    WavSpec wav_spec;
    wav_spec.sample_rate = rate;
    wav_spec.bits = bits;
    return wav_file(wav_spec, x);
}

namespace {

constexpr int kFrames = 3;

Recording vardo_good() {
    VardoTiming t;
    t.sample_rate = kRate;
    t.period_s = 0.25;
    std::vector<std::vector<uint8_t>> frames;
    for (int k = 0; k < kFrames; k++) {
        VardoFrameFields f;
        f.tow = 345600000u + 1000u * static_cast<uint32_t>(k);
        f.lat = vardo_lat_counts(1, 52.5 + 0.001 * k);
        f.lon = vardo_lat_counts(1, 13.4 + 0.002 * k);
        f.alt = 1200000 + 5000 * k;
        f.v_east = vardo_velocity_counts(1, 3.0);
        f.v_north = vardo_velocity_counts(1, 4.0);
        f.v_up = vardo_velocity_counts(1, 5.0);
        f.frame_counter = static_cast<uint8_t>(k + 1);
        frames.push_back(vardo_frame_bytes(f));
    }
    Recording r;
    r.wav = mono_wav(vardo_signal(frames, t));
    // Each frame: preamble and sync word, then two channel bits per data bit.
    const double bit_s = 1.0 / 9600.0;
    for (int k = 0; k < kFrames; k++) {
        const double start = t.lead_s + k * t.period_s;
        const double bits = t.preamble_bits + 32 + 16.0 * static_cast<double>(frames[k].size());
        r.frame_start.push_back(static_cast<std::size_t>(start * kRate));
        r.frame_end.push_back(static_cast<std::size_t>((start + bits * bit_s) * kRate));
    }
    return r;
}

Recording pelkin_good() {
    PelkinTx tx;
    tx.sample_rate = kRate;
    tx.gap_bits = 400;
    std::vector<std::string> air;
    PelkinFields f;
    for (int k = 0; k < kFrames; k++) {
        f.time = pelkin_time_add_seconds(PelkinFields{}.time, k);
        air.push_back(pelkin_air_bits(pelkin_frame_bytes(f), 0));
    }
    PelkinRecording rec = pelkin_recording(tx, air);
    Recording r;
    r.wav = mono_wav(rec.signal);
    for (std::size_t start : rec.body_start) {
        r.frame_start.push_back(start);
        r.frame_end.push_back(start + 500 * 10);  // 500 bits of 10 samples
    }
    return r;
}

Recording ostrel_good() {
    OstrelRecordingSpec wav_spec;
    wav_spec.sample_rate = kRate;
    std::vector<std::vector<uint8_t>> tx;
    for (int k = 0; k < kFrames; k++) {
        OstrelGps g;
        g.lat = 48.1f;
        g.lon = 11.5f;
        g.alt_raw = static_cast<uint16_t>(6000 + 10 * k);
        g.hour = 12;
        g.second = static_cast<uint8_t>(k);
        auto packet = ostrel_gps_packet(g);
        tx.push_back(ostrel_transmission(std::vector<uint8_t>(packet.begin(), packet.end()), static_cast<uint32_t>(k)));
    }
    Recording r;
    r.wav = mono_wav(ostrel_recording(wav_spec, tx));
    const double bit = kRate / 1200.0;
    for (int k = 0; k < kFrames; k++) {
        const double start = wav_spec.lead_bits + k * (10.0 * kOstrelTransmissionBytes + wav_spec.gap_bits);
        r.frame_start.push_back(static_cast<std::size_t>(start * bit));
        r.frame_end.push_back(static_cast<std::size_t>((start + 10.0 * kOstrelTransmissionBytes) * bit));
    }
    return r;
}

}  // namespace

Recording good_recording(Prog p) {
    switch (p) {
        case Prog::vardo:
            return vardo_good();
        case Prog::pelkin:
            return pelkin_good();
        case Prog::ostrel:
            return ostrel_good();
    }
    return {};
}

std::vector<std::string> good_lines(Prog p) {
    switch (p) {
        case Prog::vardo:
            return {
                "ID: 000-0-00000 frame:   0 date: 1999-08-26 time: (00:00:00)  lat: 52.500000  lon: 13.397828  "
                "alt:   0.00   vH:    5.0 km/h  D:   36.9\xc2\xb0  vV:    5.0 m/s ",
                "ID: 312-A-10837 frame:   2 date: 2024-02-07 time: (23:59:43)  lat: 52.501000  lon: 13.402000  "
                "alt:  1205.00   vH:    5.0 km/h  D:   36.9\xc2\xb0  vV:    5.0 m/s ",
                "ID: 312-A-10837 frame:   3 date: 2024-02-07 time: (23:59:44)  lat: 52.502000  lon: 13.404000  "
                "alt:  1210.00   vH:    5.0 km/h  D:   36.9\xc2\xb0  vV:    5.0 m/s ",
            };
        case Prog::pelkin:
            return {
                " 06-12-26 12:34:56.789  lat: 48.123456\xc2\xb0  lon: 11.654321\xc2\xb0  alt: 1234.56m   "
                "vH: 5.0m/s  D: 36.9\xc2\xb0  vV: -2.5m/s  # CRC [OK]",
                " 06-12-26 12:34:57.789  lat: 48.123456\xc2\xb0  lon: 11.654321\xc2\xb0  alt: 1234.56m   "
                "vH: 5.0m/s  D: 36.9\xc2\xb0  vV: -2.5m/s  # CRC [OK]",
                " 06-12-26 12:34:58.789  lat: 48.123456\xc2\xb0  lon: 11.654321\xc2\xb0  alt: 1234.56m   "
                "vH: 5.0m/s  D: 36.9\xc2\xb0  vV: -2.5m/s  # CRC [OK]",
            };
        case Prog::ostrel:
            return {
                "(12:00:00)  lat: 48.099998\xb0  lon: 11.500000\xb0  alt: 1000m  #  CRC: B24C - B24C [OK]",
                "(12:00:01)  lat: 48.099998\xb0  lon: 11.500000\xb0  alt: 1010m  #  CRC: 246F - 246F [OK]",
                "(12:00:02)  lat: 48.099998\xb0  lon: 11.500000\xb0  alt: 1020m  #  CRC: 0513 - 0513 [OK]",
            };
    }
    return {};
}

std::string cut_after_samples(const std::string& wav, std::size_t samples, std::size_t extra_bytes) {
    return wav.substr(0, kWavHeaderBytes + 2 * samples + extra_bytes);
}

std::string patch_le(std::string wav, std::size_t offset, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; i++)
        wav[offset + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return wav;
}

std::string join(const std::vector<std::string>& lines, std::size_t first, std::size_t count) {
    std::string s;
    for (std::size_t i = first; i < lines.size() && i - first < count; i++) s += lines[i] + "\n";
    return s;
}
