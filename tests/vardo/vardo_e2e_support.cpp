#include "vardo_e2e_support.h"

#include <cmath>
#include <cstdio>

#include "synth/signals.h"

std::vector<VardoFrameFields> flight(int type, int n, bool len70, int first_counter) {
    std::vector<VardoFrameFields> out;
    for (int k = 0; k < n; k++) {
        VardoFrameFields f;
        f.type = type;
        f.long_short = len70;
        f.week = 2300;
        f.tow = type == 1 ? 345600000u + 1000u * k : 345600u + k;
        f.lat = vardo_lat_counts(type, 52.5 + 0.001 * k);
        f.lon = vardo_lat_counts(type, 13.4 + 0.002 * k);
        f.alt = type == 1 ? 1200000 + 5000 * k : 120000 + 500 * k;
        f.v_east = vardo_velocity_counts(type, 3.5);
        f.v_north = vardo_velocity_counts(type, -4.25);
        f.v_up = vardo_velocity_counts(type, 5.0);
        f.leap = 18;
        f.frame_counter = static_cast<uint8_t>(first_counter + k);
        f.ntc = 1000;
        if (type == 2) {
            f.sn[0] = 0x95;
            f.sn[1] = 0x35;
            f.sn[2] = 0x80;
        }
        out.push_back(f);
    }
    return out;
}

std::string recording_of_bytes(const std::vector<std::vector<uint8_t>>& frames, const RecordingShape& shape) {
    VardoTiming t;
    t.sample_rate = shape.wav.sample_rate;
    t.period_s = shape.period_s;
    t.tail_bytes = shape.tail_bytes;
    std::vector<double> x = vardo_signal(frames, t);
    if (shape.invert)
        for (double& v : x) v = -v;
    smooth(x, shape.smooth_taps);
    if (shape.snr_db != 0.0) add_noise(x, shape.snr_db, shape.seed);
    return wav_file(shape.wav, x);
}

std::string recording(const std::vector<VardoFrameFields>& frames, const RecordingShape& shape) {
    std::vector<std::vector<uint8_t>> bytes;
    for (const auto& f : frames) bytes.push_back(vardo_frame_bytes(f));
    return recording_of_bytes(bytes, shape);
}

std::string expect_run(const std::vector<VardoFrameFields>& frames, const OutputForm& form, bool good_only) {
    std::string s;
    for (std::size_t k = 0; k < frames.size(); k++) {
        if (k == 0) {
            if (!good_only) s += expect_report({first_capture(frames[0]), false}, form);
        } else {
            s += expect_report({frames[k], true}, form);
        }
    }
    return s + "\n";
}

ProcessResult run_vardo(std::vector<std::string> args, const std::string& wav, bool on_stdin) {
    TempDir dir;
    if (on_stdin) return run_program(VARDO_EXE, args, wav, dir.path);
    write_file(dir.file("in.wav"), wav);
    args.push_back(dir.file("in.wav"));
    return run_program(VARDO_EXE, args, "", dir.path);
}

std::string header_lines(int rate, int bits, int channels) {
    char s[200];
    std::snprintf(s, sizeof s, "sample_rate: %d\nbits       : %d\nchannels   : %d\nsamples/bit: %.2f\n", rate, bits,
                  channels, static_cast<double>(static_cast<float>(rate) / 9600.0f));
    return s;
}

std::vector<std::string> split_lines(const std::string& s) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); i++) {
        if (s[i] == '\n') {
            out.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < s.size()) out.push_back(s.substr(start));
    return out;
}
