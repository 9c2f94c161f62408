#include "sonderx_recordings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>

#include "ostrel/ostrel_synth.h"
#include "pelkin/pelkin_synth.h"
#include "rx_chain.h"
#include "synth/wav_writer.h"
#include "vardo/vardo_synth.h"

namespace {

// Positions: each kind in its own region, each frame its own point.
double lat_of(const std::string& kind, int i) {
    return (kind == "vardo" ? 48.1 : kind == "pelkin" ? 52.2 : 38.3) + 0.001 * i;
}
double lon_of(const std::string& kind, int i) {
    return (kind == "vardo" ? 11.5 : kind == "pelkin" ? 13.4 : -9.1) + 0.002 * i;
}

Sent vardo_frames(int n, int first, double rate) {
    Sent s;
    std::vector<std::vector<uint8_t>> bytes;
    for (int i = first; i < first + n; i++) {
        VardoFrameFields f;
        f.tow = 200000000u + 1000u * static_cast<uint32_t>(i);
        f.lat = vardo_lat_counts(1, lat_of("vardo", i));
        f.lon = vardo_lat_counts(1, lon_of("vardo", i));
        f.alt = 1000000 + 5000 * i;
        f.frame_counter = static_cast<uint8_t>(i);
        bytes.push_back(vardo_frame_bytes(f));
        const double k = 8.3819036711397e-8;
        s.frames.push_back({"vardo", f.lat * k, f.lon * k});
    }
    VardoTiming t;
    t.sample_rate = rate;
    t.period_s = 0.3;
    s.audio = vardo_signal(bytes, t);
    return s;
}

Sent pelkin_frames(int n, int first, double rate) {
    Sent s;
    std::vector<std::string> air;
    for (int i = first; i < first + n; i++) {
        PelkinFields f;
        f.lat_e6 = static_cast<int32_t>(std::lround(lat_of("pelkin", i) * 1e6));
        f.lon_e6 = static_cast<int32_t>(std::lround(lon_of("pelkin", i) * 1e6));
        f.alt_cm = 200000 + 500 * i;
        f.time = pelkin_time_add_seconds(123456000, i);
        air.push_back(pelkin_air_bits(pelkin_frame_bytes(f), 0));
        s.frames.push_back({"pelkin", f.lat_e6 / 1e6, f.lon_e6 / 1e6});
    }
    PelkinTx tx;
    tx.sample_rate = rate;
    tx.gap_bits = 1000;
    s.audio = pelkin_recording(tx, air).signal;
    return s;
}

Sent ostrel_frames(int n, int first, double rate) {
    Sent s;
    std::vector<std::vector<uint8_t>> tx;
    for (int i = first; i < first + n; i++) {
        OstrelGps g;
        g.lat = static_cast<float>(lat_of("ostrel", i));
        g.lon = static_cast<float>(lon_of("ostrel", i));
        g.alt_raw = static_cast<uint16_t>(5000 + 1500 + 10 * i);
        g.hour = 10;
        g.second = static_cast<uint8_t>(i % 60);
        const auto p = ostrel_gps_packet(g);
        tx.push_back(ostrel_transmission(std::vector<uint8_t>(p.begin(), p.end()), static_cast<uint32_t>(i)));
        s.frames.push_back({"ostrel", g.lat, g.lon});
    }
    OstrelRecordingSpec rec;
    rec.sample_rate = rate;
    rec.lead_bits = 200;
    rec.gap_bits = 200;
    s.audio = ostrel_recording(rec, tx);
    return s;
}

void put_le(std::string& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; i++) out.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
}

}  // namespace

Sent sent_frames(const std::string& kind, int n, int first, double rate) {
    if (kind == "vardo") return vardo_frames(n, first, rate);
    if (kind == "pelkin") return pelkin_frames(n, first, rate);
    return ostrel_frames(n, first, rate);
}

void append_sent(Sent& a, const Sent& b) {
    a.audio.insert(a.audio.end(), b.audio.begin(), b.audio.end());
    a.frames.insert(a.frames.end(), b.frames.begin(), b.frames.end());
}

Sent through_receiver(const std::vector<Stretch>& stretches, unsigned seed) {
    // Hz at full scale: the widest deviation and offset, as a receiver's
    // discriminator maps them, with room as rxchain leaves.
    double full_hz = 0.0;
    for (const Stretch& st : stretches) {
        rxchain::ChainConfig cfg;
        rxchain::chain_profile(st.kind, cfg);
        full_hz = std::max(full_hz, (cfg.deviation_hz + std::fabs(st.offset_hz)) / 0.5);
    }
    Sent all;
    int index = 0;
    for (const Stretch& st : stretches) {
        const Sent clean = sent_frames(st.kind, st.frames, index);
        index += st.frames;
        rxchain::ChainConfig cfg;
        rxchain::chain_profile(st.kind, cfg);
        cfg.ebn0_db = st.ebn0_db;
        cfg.offset_hz = st.offset_hz;
        cfg.seed = seed++;
        auto chain = std::make_unique<rxchain::RxChain>();
        rxchain::chain_init(*chain, cfg);
        std::vector<float> in(clean.audio.begin(), clean.audio.end()), hz(in.size());
        rxchain::chain_process(*chain, in.data(), hz.data(), in.size());
        Sent part;
        part.frames = clean.frames;
        for (float v : hz) part.audio.push_back(std::clamp(v / full_hz, -1.0, 1.0));
        append_sent(all, part);
    }
    return all;
}

std::string raw_image(const std::vector<double>& x, const Encoding& e) {
    std::string out;
    const bool is_float = e.format[0] == 'f';
    const int bytes = e.format == "u8" || e.format == "s8" ? 1 : std::stoi(e.format.substr(1)) / 8;
    for (double v : x) {
        for (int c = 0; c < e.channels; c++) {
            const double s = c == e.channel ? std::clamp(v, -1.0, 1.0) : 0.0;
            uint64_t u = 0;
            if (is_float && bytes == 4) {
                const float f = static_cast<float>(s);
                std::memcpy(&u, &f, 4);
            } else if (is_float) {
                std::memcpy(&u, &s, 8);
            } else {
                u = static_cast<uint64_t>(std::llround(s * (std::ldexp(1.0, 8 * bytes - 1) - 1)));
                if (e.format == "u8") u += 128;
            }
            put_le(out, u, bytes);
        }
    }
    return out;
}

std::string wav_image(const std::vector<double>& x, int rate, const Encoding& e) {
    const std::string data = raw_image(x, e);
    const int bytes = e.format == "u8" ? 1 : std::stoi(e.format.substr(1)) / 8;
    const int fmt_len = e.extensible ? 40 : 16;
    std::string h = "RIFF";
    put_le(h, 4 + 8 + fmt_len + 8 + data.size(), 4);
    h += "WAVEfmt ";
    put_le(h, static_cast<uint64_t>(fmt_len), 4);
    put_le(h, e.extensible ? 0xFFFE : e.format[0] == 'f' ? 3 : 1, 2);
    put_le(h, static_cast<uint64_t>(e.channels), 2);
    put_le(h, static_cast<uint64_t>(rate), 4);
    put_le(h, static_cast<uint64_t>(rate * e.channels * bytes), 4);
    put_le(h, static_cast<uint64_t>(e.channels * bytes), 2);
    put_le(h, static_cast<uint64_t>(8 * bytes), 2);
    if (e.extensible) {
        put_le(h, 22, 2);                  // cbSize
        put_le(h, 8 * bytes, 2);           // valid bits
        put_le(h, 0, 4);                   // channel mask
        put_le(h, 1, 4);                   // the PCM subformat GUID ...
        put_le(h, 0xAA00008000100000, 8);  // ... 00000001-0000-0010-8000-00AA00389B71
        put_le(h, 0x719B3800, 4);
    }
    h += "data";
    put_le(h, data.size(), 4);
    return h + data;
}

std::vector<Row> csv_rows(const std::string& out) {
    std::vector<Row> rows;
    std::istringstream in(out);
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
        std::vector<std::string> c;
        std::stringstream ls(line);
        for (std::string cell; std::getline(ls, cell, ',');) c.push_back(cell);
        if (!line.empty() && line.back() == ',') c.emplace_back();
        std::vector<std::string> cells = c;
        c.resize(14);
        rows.push_back({c[0], c[1], c[2], c[3], c[4].empty() ? 0.0 : std::stod(c[4]),
                        c[5].empty() ? 0.0 : std::stod(c[5]), c[12] == "true", c[13], cells});
    }
    return rows;
}

ProcessResult run_sonderx(std::vector<std::string> args, const std::string& input, bool on_stdin) {
    if (on_stdin) return run_program(SONDERX_EXE, args, input);
    TempDir dir;
    const std::string path = dir.file("rec");
    write_file(path, input);
    args.push_back(path);
    return run_program(SONDERX_EXE, args);
}

void write_bytes(const std::string& path, const std::string& data) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    ASSERT_EQ(std::fwrite(data.data(), 1, data.size(), f), data.size());
    std::fclose(f);
}

// n frames of kind through rxchain's I/Q capture with these options (the
// kind's profile, --iq-out and the rest) into dir's file "capture"; its path,
// or "" when rxchain failed.
std::string iq_capture_of(const TempDir& dir, const char* kind, int n, std::vector<std::string> options) {
    const std::string clean = dir.file("clean.wav"), capture = dir.file("capture");
    write_bytes(clean, wav_image(sent_frames(kind, n).audio, 48000));
    options.insert(options.begin(), {"--profile", std::strcmp(kind, "ostrel") == 0 ? "afsk" : kind});
    options.insert(options.end(), {"-o", capture, clean});
    const ProcessResult made = run_program(RXCHAIN_EXE, options);
    EXPECT_EQ(made.status, 0) << made.err;
    return made.status == 0 ? capture : "";
}
