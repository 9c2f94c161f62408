#include "io/sndfile_reader.h"

#include <cstdio>
#include <sndfile.h>
#include <unistd.h>

namespace sonde {

struct SndfileReader {
    SNDFILE* file;
};

SndfileReader* sndfile_open(int fd, SndfileInfo& info) {
    if (::lseek(fd, 0, SEEK_SET) != 0) return nullptr;
    SF_INFO sf{};
    SNDFILE* file = sf_open_fd(fd, SFM_READ, &sf, SF_FALSE);
    if (file == nullptr) return nullptr;
    if (sf.channels <= 0 || sf.samplerate <= 0) {
        sf_close(file);
        return nullptr;
    }
    struct Sub {
        int subtype;
        SampleFormat format;
        int bits;
    };
    static constexpr Sub kSubs[] = {
        {SF_FORMAT_PCM_U8, SampleFormat::u8, 8},     {SF_FORMAT_PCM_S8, SampleFormat::s8, 8},
        {SF_FORMAT_PCM_16, SampleFormat::s16le, 16}, {SF_FORMAT_PCM_24, SampleFormat::s24le, 24},
        {SF_FORMAT_PCM_32, SampleFormat::s32le, 32}, {SF_FORMAT_FLOAT, SampleFormat::f32le, 32},
        {SF_FORMAT_DOUBLE, SampleFormat::f64le, 64},
    };
    info.rate_hz = sf.samplerate;
    info.channels = sf.channels;
    for (const Sub& s : kSubs)
        if ((sf.format & SF_FORMAT_SUBMASK) == s.subtype) {
            info.format = s.format;
            info.bits = s.bits;
        }
    SF_FORMAT_INFO major{};
    major.format = sf.format & SF_FORMAT_TYPEMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &major, sizeof major) == 0 && major.extension != nullptr) {
        // The extension is the short name ("flac", "aiff", "wav"); shown in capitals.
        std::snprintf(info.type_name, sizeof info.type_name, "%s", major.extension);
        for (char* c = info.type_name; *c != '\0'; c++)
            if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
    }
    return new SndfileReader{file};
}

int64_t sndfile_read(SndfileReader* r, float* out, int64_t frames) {
    const sf_count_t n = sf_readf_float(r->file, out, frames);
    return n > 0 ? n : 0;
}

void sndfile_close(SndfileReader* r) {
    if (r == nullptr) return;
    sf_close(r->file);
    delete r;
}

}  // namespace sonde
