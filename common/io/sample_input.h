// sonderx's input: a recording (WAV from a file or a pipe; what libsndfile
// reads, from a file), raw audio, or I/Q raw or in a two-channel WAV. Floats
// at full scale +-1 in blocks, one audio channel or I/Q pairs, read forward
// only, never waiting for more than a block's first sample needs. Errors
// come back as values; nothing here prints.
//
//   auto in = std::make_unique<SampleInput>();   // large: holds a 64 KiB block
//   InputError e = input_open_file(*in, path, config);
//   if (e.failed()) ... print e.message, maybe suggest --raw on not_a_recording
//   while ((n = input_read(*in, block, kBlock)) > 0) feed(block, n);
#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "io/byte_source.h"
#include "io/input_error.h"
#include "io/sample_convert.h"
#include "io/sample_format.h"

namespace sonde {

struct SndfileReader;

enum class InputMode {
    recording,  // a WAV (or, from a file, anything libsndfile reads): format and rate from its header
    raw_audio,  // headerless interleaved samples: raw_format, rate_hz, channels
    raw_iq,     // headerless interleaved I/Q pairs: raw_format, rate_hz
    wav_iq,     // a two-channel WAV, I left and Q right
};

constexpr int kMaxRawChannels = 64;

struct InputConfig {
    InputMode mode = InputMode::recording;
    SampleFormat raw_format = SampleFormat::s16le;
    int64_t rate_hz = 0;  // raw modes; 0 is refused
    int channels = 1;     // raw_audio: channels interleaved, 1 to kMaxRawChannels
    int channel = 0;      // audio: the channel delivered, counted from 0
};

enum class Container { raw, wav, sndfile };

// What was opened, for the program to print.
struct InputFormat {
    Container container = Container::raw;
    std::string type_name;  // "raw", "WAV", "RF64", or libsndfile's name ("FLAC", "AIFF", ...)
    bool iq = false;
    bool from_header = false;  // rate and sample format came from the recording's header
    bool extensible = false;   // WAVE_FORMAT_EXTENSIBLE
    SampleFormat sample_format = SampleFormat::s16le;
    int bits = 0;  // valid bits per sample; 0 when the encoding has no fixed width
    int channels = 0;
    int channel = 0;  // the audio channel delivered
    int64_t rate_hz = 0;
    bool starts_like_wav = false;  // raw input whose first bytes are a WAV header
};

// One line: "WAV, 16-bit integer, 2 channels (reading channel 1), 48000 Hz".
std::string describe_input_format(const InputFormat& f);

struct SampleInput {
    ByteSource src;
    std::string name;  // what messages call the input: the path, or "standard input"
    InputFormat format;
    int64_t samples = 0;    // samples (I/Q pairs) delivered
    int64_t bytes = 0;      // bytes taken from the stream, header included (0 through libsndfile)
    int64_t max_piece = 0;  // tests: cut every arrival to this many bytes (0: as read(2) returns them)

    // Reading state.
    FrameLayout layout;
    bool ended = false;
    std::size_t arrived = 0;      // with max_piece: end of what has "arrived" in src's block
    std::size_t phase = 0;        // bytes taken of a frame that straddles two arrivals
    unsigned char part[16] = {};  // the wanted values' bytes of that frame
    int64_t data_left = -1;       // bytes up to the data chunk's declared end; -1: up to the stream's end
    int pad = 0;                  // the pad byte after an odd-sized data chunk
    unsigned char tail[8] = {};   // bytes after the declared end, while deciding whether a chunk follows
    int tail_len = 0;
    int hold_pos = 0, hold_len = 0;  // tail bytes that turned out to be samples
    SndfileReader* sndfile = nullptr;
    std::vector<float> sndfile_block;

    SampleInput() = default;
    SampleInput(const SampleInput&) = delete;
    SampleInput& operator=(const SampleInput&) = delete;
    ~SampleInput();
};

// Opens the named file. Fails with cannot_open, is_directory, empty,
// not_a_recording, needs_named_file, header_cut_short, bad_header,
// unsupported_format, no_such_channel, wrong_channel_count or
// rate_out_of_range (raw rates are checked before anything is read).
InputError input_open_file(SampleInput& in, const char* path, const InputConfig& config);
// An open descriptor (standard input); it is not closed. name is what
// messages call it ("standard input").
InputError input_open_fd(SampleInput& in, int fd, const char* name, const InputConfig& config);
// A memory image that outlives the input (tests, fuzzing): read like a pipe.
InputError input_open_memory(SampleInput& in, const void* data, std::size_t n, const char* name,
                             const InputConfig& config);
void input_close(SampleInput& in);

// Up to max audio samples of the chosen channel (modes recording and
// raw_audio); up to max I/Q pairs (raw_iq, wav_iq). At least one unless the
// input has ended (0); more only as far as they have already arrived.
int input_read(SampleInput& in, float* out, int max);
int input_read_iq(SampleInput& in, std::complex<float>* out, int max);

// Whether fd is a terminal: the program refuses to read samples from one.
bool input_is_terminal(int fd);

}  // namespace sonde
