#include "sonderx_recordings.h"

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
        f.type = 1;
        f.tow = 200000000u + 1000u * static_cast<uint32_t>(i);
        f.lat = vardo_lat_counts(1, lat_of("vardo", i));
        f.lon = vardo_lat_counts(1, lon_of("vardo", i));
        f.alt = 1000000 + 5000 * i;
        f.v_east = 600;
        f.v_north = 800;
        f.v_up = 1000;
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
        g.minute = static_cast<uint8_t>(i / 60 % 60);
        g.second = static_cast<uint8_t>(i % 60);
        const auto p = ostrel_gps_packet(g);
        tx.push_back(ostrel_transmission(std::vector<uint8_t>(p.begin(), p.end()), static_cast<uint32_t>(i)));
        s.frames.push_back({"ostrel", g.lat, g.lon});
    }
    OstrelRecordingSpec spec;
    spec.sample_rate = rate;
    spec.lead_bits = 200;
    spec.gap_bits = 200;
    s.audio = ostrel_recording(spec, tx);
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

std::string wav_image(const std::vector<double>& x, int rate, WavEncoding enc, int channels, int channel) {
    int bytes = 2, tag = 1;
    switch (enc) {
        case WavEncoding::u8:
            bytes = 1;
            break;
        case WavEncoding::s24:
            bytes = 3;
            break;
        case WavEncoding::s32:
            bytes = 4;
            break;
        case WavEncoding::f32:
            bytes = 4, tag = 3;
            break;
        case WavEncoding::f64:
            bytes = 8, tag = 3;
            break;
        default:
            break;
    }
    const bool ext = enc == WavEncoding::s16_extensible;
    std::string data;
    for (double v : x) {
        for (int c = 0; c < channels; c++) {
            const double s = c == channel ? std::clamp(v, -1.0, 1.0) : 0.0;
            if (tag == 3 && bytes == 4) {
                const float f = static_cast<float>(s);
                uint32_t u;
                std::memcpy(&u, &f, 4);
                put_le(data, u, 4);
            } else if (tag == 3) {
                uint64_t u;
                std::memcpy(&u, &s, 8);
                put_le(data, u, 8);
            } else if (bytes == 1) {
                data.push_back(static_cast<char>(std::lround(128 + 127 * s)));
            } else {
                const double top = std::ldexp(1.0, 8 * bytes - 1) - 1;
                put_le(data, static_cast<uint64_t>(std::llround(top * s)), bytes);
            }
        }
    }
    std::string h = "RIFF";
    const int fmt_len = ext ? 40 : 16;
    put_le(h, 4 + 8 + fmt_len + 8 + data.size(), 4);
    h += "WAVEfmt ";
    put_le(h, static_cast<uint64_t>(fmt_len), 4);
    put_le(h, ext ? 0xFFFE : static_cast<unsigned>(tag), 2);
    put_le(h, static_cast<uint64_t>(channels), 2);
    put_le(h, static_cast<uint64_t>(rate), 4);
    put_le(h, static_cast<uint64_t>(rate) * channels * bytes, 4);
    put_le(h, static_cast<uint64_t>(channels * bytes), 2);
    put_le(h, static_cast<uint64_t>(8 * bytes), 2);
    if (ext) {
        put_le(h, 22, 2);                     // cbSize
        put_le(h, 8 * bytes, 2);              // valid bits
        put_le(h, channels == 1 ? 4 : 3, 4);  // channel mask
        // KSDATAFORMAT_SUBTYPE_PCM
        const unsigned char guid[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                        0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        h.append(reinterpret_cast<const char*>(guid), 16);
    }
    h += "data";
    put_le(h, data.size(), 4);
    return h + data;
}

std::string raw_image(const std::vector<double>& x, const std::string& format, int channels, int channel) {
    std::string out;
    for (double v : x) {
        for (int c = 0; c < channels; c++) {
            const double s = c == channel ? std::clamp(v, -1.0, 1.0) : 0.0;
            if (format == "u8") {
                out.push_back(static_cast<char>(std::lround(128 + 127 * s)));
            } else if (format == "s8") {
                out.push_back(static_cast<char>(std::lround(127 * s)));
            } else if (format == "f32le") {
                const float f = static_cast<float>(s);
                uint32_t u;
                std::memcpy(&u, &f, 4);
                put_le(out, u, 4);
            } else {
                put_le(out, static_cast<uint64_t>(std::lround(32767 * s)), 2);
            }
        }
    }
    return out;
}

std::vector<Row> csv_rows(const std::string& out) {
    std::vector<Row> rows;
    std::istringstream in(out);
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
        std::vector<std::string> cell;
        std::stringstream ls(line);
        for (std::string c; std::getline(ls, c, ',');) cell.push_back(c);
        while (cell.size() < 14) cell.emplace_back();
        Row r;
        r.utc = cell[0];
        r.kind = cell[1];
        r.serial = cell[2];
        r.frame = cell[3];
        r.lat = cell[4].empty() ? 0.0 : std::stod(cell[4]);
        r.lon = cell[5].empty() ? 0.0 : std::stod(cell[5]);
        r.ok = cell[12] == "true";
        r.note = cell[13];
        rows.push_back(r);
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
