#include "synth/wav_writer.h"

#include <cmath>
#include <cstdio>

namespace {
void put16(std::string& s, unsigned v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}
}  // namespace

std::string wav_header(const WavSpec& wav_spec, uint64_t data_bytes) {
    const unsigned block = static_cast<unsigned>(wav_spec.channels * wav_spec.bits / 8);
    std::string fmt;
    put16(fmt, 1);  // PCM
    put16(fmt, static_cast<unsigned>(wav_spec.channels));
    put32(fmt, static_cast<uint32_t>(wav_spec.sample_rate));
    put32(fmt, static_cast<uint32_t>(wav_spec.sample_rate) * block);
    put16(fmt, block);
    put16(fmt, static_cast<unsigned>(wav_spec.bits));
    if (wav_spec.style == WavHeaderStyle::fmt18) put16(fmt, 0);

    std::string list;
    if (wav_spec.style == WavHeaderStyle::list_chunk) {
        // What sox and ffmpeg add: an INFO list naming the software.
        std::string info = "INFOISFT";
        std::string name = "wavsynth test signal";
        name.push_back('\0');
        if (name.size() % 2) name.push_back('\0');
        put32(info, static_cast<uint32_t>(name.size()));
        info += name;
        list = "LIST";
        put32(list, static_cast<uint32_t>(info.size()));
        list += info;
    }

    uint64_t riff = 4 + 8 + fmt.size() + list.size() + 8 + data_bytes;
    uint32_t riff_field = riff > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(riff);
    uint32_t data_field = data_bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(data_bytes);
    if (wav_spec.style == WavHeaderStyle::sizes_zero) riff_field = data_field = 0;
    if (wav_spec.style == WavHeaderStyle::sizes_max) riff_field = data_field = 0xFFFFFFFFu;

    std::string h = "RIFF";
    put32(h, riff_field);
    h += "WAVEfmt ";
    put32(h, static_cast<uint32_t>(fmt.size()));
    h += fmt;
    h += list;
    h += "data";
    put32(h, data_field);
    return h;
}

int wav_quantize(const WavSpec& wav_spec, double x) {
    if (x > 1.0) x = 1.0;
    if (x < -1.0) x = -1.0;
    if (wav_spec.bits == 8) return static_cast<int>(std::lround(x * 127.0));
    return static_cast<int>(std::lround(x * 32767.0));
}

std::string wav_file(const WavSpec& wav_spec, const std::vector<double>& signal, const std::vector<double>& other) {
    const auto frame = static_cast<std::size_t>(wav_spec.channels * wav_spec.bits / 8);
    std::string out = wav_header(wav_spec, static_cast<uint64_t>(signal.size()) * frame);
    out.reserve(out.size() + signal.size() * frame);
    for (std::size_t i = 0; i < signal.size(); i++) {
        for (int ch = 0; ch < wav_spec.channels; ch++) {
            double x = ch == wav_spec.signal_channel ? signal[i] : (i < other.size() ? other[i] : 0.0);
            int q = wav_quantize(wav_spec, x);
            if (wav_spec.bits == 8) {
                out.push_back(static_cast<char>(q + 128));
            } else {
                put16(out, static_cast<unsigned>(q) & 0xFFFF);
            }
        }
    }
    return out;
}

bool write_file(const std::string& path, const std::string& bytes) {
    std::FILE* f = path == "-" ? stdout : std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f != stdout)
        ok = std::fclose(f) == 0 && ok;
    else
        ok = std::fflush(f) == 0 && ok;
    return ok;
}
