// Recordings that libsndfile decodes: FLAC, AIFF, companded or ADPCM WAV and
// the other containers it knows. Only for seekable files: libsndfile needs
// to seek while it reads a header, and on a pipe it waits to fill every
// request, so the streaming paths never come here.
#pragma once

#include <cstdint>

#include "io/sample_format.h"

namespace sonde {

struct SndfileReader;

struct SndfileInfo {
    int64_t rate_hz = 0;
    int channels = 0;
    SampleFormat format = SampleFormat::other;
    int bits = 0;             // 0 when the encoding has no fixed width
    char type_name[32] = {};  // libsndfile's name of the container: "FLAC", "AIFF", "WAV" ...
};

// Reads the header of the seekable file open on fd from its start; nullptr
// when libsndfile does not know it. fd stays open and owned by the caller.
SndfileReader* sndfile_open(int fd, SndfileInfo& info);

// Up to frames whole frames, interleaved, at full scale +-1; 0 at the end.
int64_t sndfile_read(SndfileReader* r, float* out, int64_t frames);

void sndfile_close(SndfileReader* r);

}  // namespace sonde
