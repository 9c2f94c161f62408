#include "pelkin_e2e.h"

PelkinTx short_tx(double sample_rate) {
    PelkinTx tx;
    tx.sample_rate = sample_rate;
    tx.gap_bits = 300;
    return tx;
}

Sent send_air(const std::vector<std::string>& air, const PelkinTx& tx) {
    Sent s;
    s.air = air;
    s.rec = pelkin_recording(tx, air);
    return s;
}

Sent send_frames(int n, const PelkinFields& f, int extra_aa, const PelkinTx& tx) {
    std::vector<PelkinFrameBytes> bytes;
    std::vector<std::string> air;
    for (int k = 0; k < n; k++) {
        bytes.push_back(pelkin_frame_bytes(fields_at(f, k)));
        air.push_back(pelkin_air_bits(bytes.back(), extra_aa));
    }
    Sent s = send_air(air, tx);
    s.bytes = bytes;
    return s;
}

std::string expected_line(const ExpectBytes& b, Out kind, const std::string& frame_bits) {
    const bool good = expect_crc_ok(b);
    switch (kind) {
        case Out::text:
            return expect_text(b, good);
        case Out::verbose:
            return expect_text(b, good, true);
        case Out::csv:
            return expect_csv(b, good);
        case Out::hex:
            return expect_hex(b);
        case Out::dump:
            return expect_dump(frame_bits);
    }
    return "";
}

std::string expected_output(const Sent& s, Out kind) {
    std::string out;
    for (std::size_t k = 0; k < s.bytes.size(); k++)
        out += expected_line(expect_bytes(s.bytes[k]), kind, expect_frame_bits(s.air[k]));
    return out + "\n";
}

ProcessResult run_pelkin_file(const std::vector<std::string>& args, const std::string& wav) {
    TempDir dir;
    std::string path = dir.file("in.wav");
    write_file(path, wav);
    std::vector<std::string> a = args;
    a.push_back(path);
    return run_program(PELKIN_EXE, a);
}

ProcessResult run_pelkin_stdin(const std::vector<std::string>& args, const std::string& wav) {
    return run_program(PELKIN_EXE, args, wav);
}

std::string wav_of(const std::vector<double>& signal, const WavSpec& wav_spec) { return wav_file(wav_spec, signal); }

int count_ok(const std::string& out) {
    int n = 0;
    for (std::size_t p = 0; (p = out.find("[OK]\n", p)) != std::string::npos; p++) n++;
    return n;
}
