// iqdemod: runs the I/Q front end on a raw capture and writes each
// channel's discriminator audio, per kind, as a 16-bit WAV that the audio
// receivers (vardo --robust etc.) read; a development tool to measure the
// front end before a program decodes from I/Q itself.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "iq/iq_front_end.h"
#include "synth/wav_writer.h"

namespace {

using sonde::iq::AudioBlock;
using sonde::iq::ChannelEvent;
using sonde::iq::EventType;
using sonde::iq::Kind;

enum class Format { u8, s8, s16le, f32le };

struct Output {
    std::FILE* f = nullptr;
    uint64_t samples = 0;
    int rate = 0;
};

struct Run {
    std::string prefix;  // empty: no audio written
    bool events = false;
    std::map<uint64_t, Output> outs;  // key: id * 4 + kind
    std::vector<short> pcm;
    uint64_t audio_samples = 0;
    sonde::iq::IqFrontEnd* fe = nullptr;
};

// The 44-byte header of a 16-bit mono file of o's rate and samples.
void write_header(const Output& o) {
    WavSpec wav;
    wav.sample_rate = o.rate;
    const std::string h = wav_header(wav, o.samples * 2);
    std::fwrite(h.data(), 1, h.size(), o.f);
}

void on_audio(void* ctx, const AudioBlock& a) {
    Run& r = *static_cast<Run*>(ctx);
    r.audio_samples += static_cast<uint64_t>(a.count);
    if (r.prefix.empty()) return;
    const uint64_t key = uint64_t{a.id} * 4 + static_cast<uint64_t>(a.kind);
    Output& o = r.outs[key];
    if (!o.f) {
        const std::string path =
            r.prefix + "-" + std::to_string(a.id) + "-" + sonde::iq::kind_profile(a.kind).name + ".wav";
        o.f = std::fopen(path.c_str(), "wb");
        if (!o.f) {
            std::fprintf(stderr, "iqdemod: cannot write %s\n", path.c_str());
            std::exit(1);
        }
        o.rate = a.rate;
        write_header(o);
    }
    r.pcm.resize(static_cast<std::size_t>(a.count));
    for (int j = 0; j < a.count; j++)
        r.pcm[static_cast<std::size_t>(j)] = static_cast<short>(std::lround(a.samples[j] * 32767.0f));
    std::fwrite(r.pcm.data(), 2, static_cast<std::size_t>(a.count), o.f);
    o.samples += static_cast<uint64_t>(a.count);
}

void on_event(void* ctx, const ChannelEvent& e) {
    Run& r = *static_cast<Run*>(ctx);
    if (!r.events) return;
    static const char* kNames[] = {"opened", "confirmed", "closed"};
    const sonde::iq::ChannelMeasure m = sonde::iq::front_end_measure(*r.fe, e.channel);
    std::fprintf(stderr, "iqdemod: %.3f s channel %d id %u %s at %+.1f Hz (level %.1f dBFS, snr %.1f dB)\n",
                 static_cast<double>(e.sample) / r.fe->cfg.rate, e.channel, e.id, kNames[static_cast<int>(e.type)],
                 e.offset_hz, m.level_dbfs, m.snr_db);
}

// A comma-separated list of kinds, bit k for kind k.
bool parse_kinds(std::string_view s, unsigned& kinds) {
    using sonde::iq::kKindProfiles;
    kinds = 0;
    for (;;) {
        const std::size_t c = s.find(',');
        const std::string_view w = s.substr(0, c);
        const auto* k = std::find_if(std::begin(kKindProfiles), std::end(kKindProfiles),
                                     [&](const sonde::iq::KindProfile& p) { return w == p.name; });
        if (k == std::end(kKindProfiles)) return false;
        kinds |= 1u << (k - std::begin(kKindProfiles));
        if (c == std::string_view::npos) return true;
        s.remove_prefix(c + 1);
    }
}

void usage() {
    std::fprintf(stderr,
                 "iqdemod [options] [capture]   (no file or '-': standard input)\n"
                 "  --format F      u8, s8, s16le or f32le (f32le)\n"
                 "  --rate HZ       capture sample rate (250000)\n"
                 "  --offset HZ     a channel at this offset from the start, never closed;\n"
                 "                  repeat for more; with any, no search\n"
                 "  --search        search as well as the --offset channels\n"
                 "  --kind K[,K]    vardo, pelkin, ostrel (all)\n"
                 "  --mode M        ddc or channelizer (by rate)\n"
                 "  --start N       number of the capture's first sample (0)\n"
                 "  --silence S     close a channel after S s without a frame (30; iqdemod\n"
                 "                  decodes nothing, so a channel lives this long)\n"
                 "  --events        channel events to standard error\n"
                 "  -o PREFIX       audio to PREFIX-ID-KIND.wav (none: only run)\n");
}

}  // namespace

int main(int argc, char** argv) {
    sonde::iq::FrontEndConfig cfg;
    Format format = Format::f32le;
    Run run;
    const char* path = "-";
    bool search = false;
    for (int i = 1; i < argc; i++) {
        const std::string a = argv[i];
        const bool has = i + 1 < argc;
        if (a == "--format" && has) {
            const std::string v = argv[++i];
            const char* const kNames[] = {"u8", "s8", "s16le", "f32le"};  // in Format's order
            const auto* name = std::find(std::begin(kNames), std::end(kNames), v);
            if (name == std::end(kNames)) return usage(), 2;
            format = static_cast<Format>(name - std::begin(kNames));
        } else if (a == "--rate" && has) {
            cfg.rate = std::atof(argv[++i]);
        } else if (a == "--offset" && has) {
            cfg.forced_hz.push_back(std::atof(argv[++i]));
        } else if (a == "--search") {
            search = true;
        } else if (a == "--kind" && has) {
            if (!parse_kinds(argv[++i], cfg.kinds)) return usage(), 2;
        } else if (a == "--mode" && has) {
            const std::string v = argv[++i];
            cfg.mode = v == "ddc" ? 0 : v == "channelizer" ? 1 : -2;
            if (cfg.mode == -2) return usage(), 2;
        } else if (a == "--start" && has) {
            cfg.first_sample = std::strtoull(argv[++i], nullptr, 10);
        } else if (a == "--silence" && has) {
            cfg.table.silence_s = std::atof(argv[++i]);
        } else if (a == "--events") {
            run.events = true;
        } else if (a == "-o" && has) {
            run.prefix = argv[++i];
        } else if (a == "-h" || a == "--help") {
            usage();
            return 0;
        } else if (a[0] != '-' || a == "-") {
            path = argv[i];
        } else {
            usage();
            return 2;
        }
    }
    cfg.search = cfg.forced_hz.empty() || search;
    sonde::iq::IqFrontEnd fe;
    run.fe = &fe;
    sonde::iq::FrontEndSink sink;
    sink.ctx = &run;
    sink.audio = on_audio;
    sink.event = on_event;
    if (!sonde::iq::front_end_init(fe, cfg, sink)) {
        std::fprintf(stderr, "iqdemod: these settings make no front end\n");
        return 2;
    }
    std::FILE* in = std::strcmp(path, "-") == 0 ? stdin : std::fopen(path, "rb");
    if (!in) {
        std::fprintf(stderr, "iqdemod: cannot read %s\n", path);
        return 1;
    }
    const int bytes_per = format == Format::u8 || format == Format::s8 ? 2 : format == Format::s16le ? 4 : 8;
    constexpr int kBlock = 65536;
    std::vector<unsigned char> raw(static_cast<std::size_t>(kBlock * bytes_per));
    std::vector<float> iq(2 * static_cast<std::size_t>(kBlock));
    std::size_t carry = 0;
    uint64_t total = 0;
    for (;;) {
        const std::size_t got = std::fread(raw.data() + carry, 1, raw.size() - carry, in);
        const std::size_t have = carry + got;
        const std::size_t n = have / static_cast<std::size_t>(bytes_per);
        const unsigned char* p = raw.data();
        const std::size_t m = 2 * n;
        float* v = iq.data();
        switch (format) {
            case Format::u8:
                for (std::size_t j = 0; j < m; j++) v[j] = (static_cast<float>(p[j]) - 127.5f) * (1.0f / 127.5f);
                break;
            case Format::s8:
                for (std::size_t j = 0; j < m; j++) v[j] = static_cast<float>(static_cast<signed char>(p[j])) / 127.0f;
                break;
            case Format::s16le:
                for (std::size_t j = 0; j < m; j++)
                    v[j] = static_cast<float>(static_cast<int16_t>(p[2 * j] | (p[2 * j + 1] << 8))) / 32767.0f;
                break;
            case Format::f32le:
                std::memcpy(v, p, 4 * m);
                break;
        }
        sonde::iq::front_end_feed(fe, iq.data(), n);
        total += n;
        carry = have - n * static_cast<std::size_t>(bytes_per);
        std::memmove(raw.data(), raw.data() + n * static_cast<std::size_t>(bytes_per), carry);
        if (got == 0) break;
    }
    sonde::iq::front_end_flush(fe);
    if (in != stdin) std::fclose(in);
    for (auto& [key, o] : run.outs) {
        if (std::fseek(o.f, 0, SEEK_SET) == 0) write_header(o);
        std::fclose(o.f);
    }
    if (run.events)
        std::fprintf(stderr, "iqdemod: %llu capture samples, %llu audio samples\n",
                     static_cast<unsigned long long>(total), static_cast<unsigned long long>(run.audio_samples));
    return 0;
}
