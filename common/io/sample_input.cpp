#include "io/sample_input.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "io/sample_rate.h"
#include "io/sndfile_reader.h"
#include "io/wav_header.h"

namespace sonde {

namespace {

constexpr std::size_t kStartBytes = 12;           // enough to tell a WAV, and to show what else it is
constexpr std::size_t kShownText = 9;             // characters of a text start quoted in a message
constexpr int64_t kSndfileBlockValues = 1 << 16;  // floats per libsndfile read, all channels

bool is_iq(InputMode m) { return m == InputMode::raw_iq || m == InputMode::wav_iq; }

void reset(SampleInput& in, const char* name) {
    input_close(in);
    in.name = name;
    in.format = InputFormat{};
    in.samples = in.bytes = 0;
    in.ended = false;
    in.arrived = in.phase = 0;
    in.data_left = -1;
    in.pad = in.tail_len = in.hold_pos = in.hold_len = 0;
}

// The first bytes in a message: quoted when they read as text, else in hex.
std::string describe_start(const unsigned char* p, std::size_t n) {
    if (n >= 4 && std::memcmp(p, "RIFF", 4) == 0 && n >= kStartBytes) {
        std::string type(reinterpret_cast<const char*>(p + 8), 4);
        for (char& c : type)
            if (c < 0x20 || c > 0x7E) c = '?';
        return "it is a RIFF file of type \"" + type + "\", not WAVE";
    }
    bool text = true;
    for (std::size_t i = 0; i < n; i++)
        text = text && ((p[i] >= 0x20 && p[i] < 0x7F) || p[i] == '\t' || p[i] == '\n' || p[i] == '\r');
    std::string s;
    if (text) {
        for (std::size_t i = 0; i < n && i < kShownText; i++) {
            const char c = static_cast<char>(p[i]);
            const char* named = c == '\n' ? "n" : c == '\r' ? "r" : c == '\t' ? "t" : nullptr;
            if (named != nullptr || c == '"' || c == '\\') s += '\\';
            s += named != nullptr ? named : std::string(1, c);
        }
        return "it starts with text: \"" + s + (n > kShownText ? "...\"" : "\"");
    }
    for (std::size_t i = 0; i < n && i < 4; i++) {
        char b[4];
        std::snprintf(b, sizeof b, "%s%02x", i == 0 ? "" : " ", p[i]);
        s += b;
    }
    return "it starts with bytes " + s + " (not RIFF/WAVE)";
}

// Containers that only libsndfile reads, by their first four bytes.
const char* seek_only_container(const unsigned char* p, std::size_t n) {
    struct Magic {
        const char* bytes;
        const char* name;
    };
    static constexpr Magic kMagic[] = {{"fLaC", "FLAC"}, {"OggS", "Ogg"}, {"FORM", "AIFF"}, {"caff", "CAF"}};
    for (const Magic& m : kMagic)
        if (n >= 4 && std::memcmp(p, m.bytes, 4) == 0) return m.name;
    return nullptr;
}

// The chosen channel (or the I/Q pair) against the channels there are.
InputError check_channels(const SampleInput& in, InputMode mode, int channel, int channels) {
    if (mode == InputMode::wav_iq && channels != 2)
        return input_error(InputErrorCode::wrong_channel_count, in.name + " has " + std::to_string(channels) +
                                                                    (channels == 1 ? " channel" : " channels") +
                                                                    ": an I/Q recording has two, I left and Q right");
    if (is_iq(mode) || (channel >= 0 && channel < channels)) return {};
    return input_error(
        InputErrorCode::no_such_channel,
        "channel " + std::to_string(channel) + " does not exist: " + in.name + " has " +
            (channels == 1 ? std::string("1 channel, numbered 0")
                           : std::to_string(channels) + " channels, numbered 0 to " + std::to_string(channels - 1)));
}

// Format, channels and layout once the header (or the options) are known.
InputError settle(SampleInput& in, const InputConfig& c, SampleFormat f, int channels, int64_t rate_hz) {
    InputError e = check_channels(in, c.mode, c.channel, channels);
    if (e.failed()) return e;
    InputFormat& fm = in.format;
    e = check_rate(rate_hz, is_iq(c.mode),
                   fm.from_header ? "the sample rate in " + in.name + "'s header" : std::string("the rate"));
    if (e.failed()) return e;
    fm.iq = is_iq(c.mode);
    fm.sample_format = f;
    fm.channels = channels;
    fm.channel = fm.iq ? 0 : c.channel;
    fm.rate_hz = rate_hz;
    if (f != SampleFormat::other) in.layout = make_layout(f, channels, fm.channel, fm.iq ? 2 : 1, fm.iq);
    return {};
}

InputError open_sndfile(SampleInput& in, const InputConfig& c, int fd) {
    SndfileInfo info;
    in.sndfile = sndfile_open(fd, info);
    if (in.sndfile == nullptr) return input_error(InputErrorCode::not_a_recording, "");
    in.format = {.container = Container::sndfile, .type_name = info.type_name, .from_header = true, .bits = info.bits};
    in.bytes = 0;
    InputError e = settle(in, c, info.format, info.channels, info.rate_hz);
    const int64_t frames = std::max<int64_t>(1, kSndfileBlockValues / info.channels);
    in.sndfile_block.assign(static_cast<std::size_t>(frames * info.channels), 0.0f);
    return e;
}

// A recording: a WAV read here, or anything libsndfile reads when fd is a
// seekable file (-1 otherwise).
InputError open_recording(SampleInput& in, const InputConfig& c, int seekable_fd) {
    unsigned char start[kStartBytes];
    const std::size_t n = source_read(in.src, start, sizeof start);
    in.bytes = static_cast<int64_t>(n);
    if (n == 0) return input_error(InputErrorCode::empty, in.name + " is empty");
    const bool riff = n >= 4 && (std::memcmp(start, "RIFF", 4) == 0 || std::memcmp(start, "RF64", 4) == 0);
    if (riff && n < kStartBytes)
        return input_error(
            InputErrorCode::header_cut_short,
            in.name + " ends inside its WAV header, after " + std::to_string(n) + " bytes: the recording is cut short");
    if (!is_wav_start(start, n)) {
        if (seekable_fd >= 0) {
            InputError e = open_sndfile(in, c, seekable_fd);
            if (in.sndfile != nullptr) return e;  // libsndfile reads it: opened, or refused for its channels or rate
        }
        if (const char* container = seek_only_container(start, n); container != nullptr && seekable_fd < 0)
            return input_error(InputErrorCode::needs_named_file,
                               in.name + " is a " + container +
                                   " stream, which is read from a named file only (not from a pipe): give its name");
        return input_error(InputErrorCode::not_a_recording,
                           in.name + " is not a recording that can be read: " + describe_start(start, n));
    }
    WavHeader h;
    InputError e = parse_wav_header(in.src, in.name, h, in.bytes);
    if (e.code == InputErrorCode::unsupported_format && seekable_fd >= 0) {
        // ADPCM, A-law and the like: libsndfile decodes them from a file.
        InputError se = open_sndfile(in, c, seekable_fd);
        if (in.sndfile != nullptr) return se;
    }
    if (e.failed()) return e;
    in.format.container = Container::wav;
    in.format.type_name = std::string(reinterpret_cast<const char*>(start), 4) == "RIFF" ? "WAV" : "RF64";
    in.format.from_header = true;
    in.format.extensible = h.extensible;
    in.format.bits = h.bits;
    if (h.data_size != 0 && h.data_size != 0xFFFFFFFFu) {
        in.data_left = h.data_size;
        in.pad = static_cast<int>(h.data_size & 1);
    }
    in.arrived = in.src.pos;
    return settle(in, c, h.format, h.channels, h.rate_hz);
}

InputError open_raw(SampleInput& in, const InputConfig& c) {
    const int channels = c.mode == InputMode::raw_iq ? 2 : c.channels;
    in.format.type_name = "raw";
    in.format.bits = 8 * sample_bytes(c.raw_format);
    if (c.mode == InputMode::raw_audio && (channels < 1 || channels > kMaxRawChannels))
        return input_error(
            InputErrorCode::wrong_channel_count,
            "raw audio has 1 to " + std::to_string(kMaxRawChannels) + " channels, not " + std::to_string(channels));
    if (c.rate_hz == 0)
        return input_error(InputErrorCode::rate_out_of_range,
                           "raw samples carry no rate of their own: it must be given");
    InputError e = settle(in, c, c.raw_format, channels, c.rate_hz);
    if (e.failed()) return e;
    // Wait for the first bytes only to tell an empty input; they stay unread.
    ByteSource& s = in.src;
    if (s.pos == s.len && !source_refill(s)) return input_error(InputErrorCode::empty, in.name + " is empty");
    in.format.starts_like_wav = is_wav_start(s.data + s.pos, s.len - s.pos);
    in.arrived = s.pos;
    return {};
}

InputError open_common(SampleInput& in, const InputConfig& c, int seekable_fd) {
    InputError e = c.mode == InputMode::raw_audio || c.mode == InputMode::raw_iq ? open_raw(in, c)
                                                                                 : open_recording(in, c, seekable_fd);
    if (e.failed()) input_close(in);
    return e;
}

// The recording on fd, by its kind: a directory is refused; a regular file
// may go to libsndfile; where fstat fails, reading will tell.
InputError open_descriptor(SampleInput& in, int fd, const InputConfig& c) {
    struct stat st;
    const bool known = ::fstat(fd, &st) == 0;
    if (known && S_ISDIR(st.st_mode)) {
        InputError e = input_error(InputErrorCode::is_directory, in.name + " is a directory, not a recording");
        input_close(in);
        return e;
    }
    const bool seekable = known && S_ISREG(st.st_mode) && ::lseek(fd, 0, SEEK_CUR) == 0;
    return open_common(in, c, seekable ? fd : -1);
}

// The next bytes that have arrived. When may_wait is false, only those
// already read in; false when there are none (or the stream has ended:
// src.ended tells).
bool next_bytes(SampleInput& in, bool may_wait, const unsigned char*& p, std::size_t& n) {
    ByteSource& s = in.src;
    if (in.max_piece > 0 && s.pos == in.arrived) {
        if (!may_wait) return false;
        if (s.pos == s.len && !source_refill(s)) {
            in.arrived = s.pos;  // the source has emptied its block: nothing is left to arrive
            return false;
        }
        in.arrived =
            s.pos + static_cast<std::size_t>(std::min<int64_t>(in.max_piece, static_cast<int64_t>(s.len - s.pos)));
    } else if (in.max_piece == 0 && s.pos == s.len) {
        if (!may_wait || !source_refill(s)) return false;
    }
    p = s.data + s.pos;
    n = (in.max_piece > 0 ? in.arrived : s.len) - s.pos;
    return true;
}

// Another chunk's name: four letters, digits, spaces or underscores, not
// starting with a space. Samples seldom look like that.
bool is_chunk_id(const unsigned char* p) {
    for (int i = 0; i < 4; i++) {
        const unsigned char c = p[i];
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                        (c == ' ' && i > 0);
        if (!ok) return false;
    }
    return true;
}

// Takes whole frames from n bytes at p, or a piece of a frame that straddles
// two arrivals; returns the bytes taken and sets got to the frames converted.
std::size_t take_frames(SampleInput& in, const unsigned char* p, std::size_t n, float* out, int max, int& got) {
    const FrameLayout& l = in.layout;
    const std::size_t frame = l.frame_bytes;
    got = 0;
    if (in.phase > 0 || n < frame) {
        const std::size_t step = std::min(n, frame - in.phase);
        const std::size_t want_end = l.offset + static_cast<std::size_t>(l.width * l.values);
        const std::size_t lo = std::max(in.phase, l.offset);
        const std::size_t hi = std::min(in.phase + step, want_end);
        if (lo < hi) std::memcpy(in.part + (lo - l.offset), p + (lo - in.phase), hi - lo);
        in.phase += step;
        if (in.phase == frame) {
            convert_frames(l, in.part, 0, 1, out);
            got = 1;
            in.phase = 0;
        }
        return step;
    }
    const std::size_t whole = std::min(n / frame, static_cast<std::size_t>(max));
    convert_frames(l, p + l.offset, frame, whole, out);
    got = static_cast<int>(whole);
    return whole * frame;
}

int read_sndfile(SampleInput& in, float* out, int max) {
    const int channels = in.format.channels;
    const int values = in.layout.values;
    const int64_t cap = static_cast<int64_t>(in.sndfile_block.size()) / channels;
    const int64_t n = sndfile_read(in.sndfile, in.sndfile_block.data(), std::min<int64_t>(max, cap));
    const float* b = in.sndfile_block.data() + in.format.channel;
    for (int64_t i = 0; i < n; i++)
        for (int v = 0; v < values; v++) out[i * values + v] = finite_or_zero(b[i * channels + v]);
    if (n == 0) in.ended = true;
    return static_cast<int>(n);
}

int read_frames(SampleInput& in, float* out, int max) {
    if (max <= 0 || in.ended) return 0;
    if (in.sndfile != nullptr) {
        const int n = read_sndfile(in, out, max);
        in.samples += n;
        return n;
    }
    const int values = in.layout.values;
    int done = 0;
    while (done < max) {
        const unsigned char* p;
        std::size_t n;
        const bool held = in.hold_pos < in.hold_len;
        if (held) {
            p = in.tail + in.hold_pos;
            n = static_cast<std::size_t>(in.hold_len - in.hold_pos);
        } else if (!next_bytes(in, done == 0, p, n)) {
            if (!in.src.ended) break;  // nothing more has arrived yet
            if (in.tail_len > 0) {     // the stream ended while deciding: they were samples
                in.hold_len = in.tail_len;
                in.tail_len = 0;
                in.data_left = -1;
                continue;
            }
            in.ended = true;
            break;
        }
        if (in.data_left == 0) {
            // The data chunk's declared end: another chunk (metadata) ends the
            // samples, anything else means the size was a placeholder.
            const int need = in.pad + 4;
            const std::size_t take = std::min(n, static_cast<std::size_t>(need - in.tail_len));
            std::memcpy(in.tail + in.tail_len, p, take);
            in.tail_len += static_cast<int>(take);
            in.src.pos += take;
            in.bytes += static_cast<int64_t>(take);
            if (in.tail_len < need) continue;
            if (is_chunk_id(in.tail + in.pad)) {
                in.ended = true;
                break;
            }
            in.hold_len = in.tail_len;
            in.tail_len = 0;
            in.data_left = -1;
            continue;
        }
        if (in.data_left > 0) n = static_cast<std::size_t>(std::min<int64_t>(static_cast<int64_t>(n), in.data_left));
        int got;
        const std::size_t used =
            take_frames(in, p, n, out + static_cast<std::ptrdiff_t>(done) * values, max - done, got);
        done += got;
        if (held) {
            in.hold_pos += static_cast<int>(used);
        } else {
            in.src.pos += used;
            in.bytes += static_cast<int64_t>(used);
            if (in.data_left > 0) in.data_left -= static_cast<int64_t>(used);
        }
    }
    in.samples += done;
    return done;
}

}  // namespace

SampleInput::~SampleInput() { input_close(*this); }

std::string describe_input_format(const InputFormat& f) {
    std::string s = f.iq ? "I/Q " : "";
    s += f.type_name;
    if (f.container == Container::raw)
        s += std::string(" ") + sample_format_name(f.sample_format);
    else
        s += std::string(f.extensible ? " (extensible)" : "") + ", " + sample_format_description(f.sample_format);
    if (f.container != Container::raw && f.bits != 0 && f.bits != 8 * sample_bytes(f.sample_format))
        s += " (" + std::to_string(f.bits) + " bits used)";
    if (!f.iq) {
        s += ", " + std::to_string(f.channels) + (f.channels == 1 ? " channel" : " channels");
        if (f.channels > 1) s += " (reading channel " + std::to_string(f.channel) + ")";
    }
    return s + ", " + std::to_string(f.rate_hz) + " Hz";
}

InputError input_open_file(SampleInput& in, const char* path, const InputConfig& config) {
    reset(in, path);
    if (!source_open_file(in.src, path))
        return input_error(InputErrorCode::cannot_open, "cannot open " + in.name + ": " + std::strerror(errno));
    return open_descriptor(in, in.src.fd, config);
}

InputError input_open_fd(SampleInput& in, int fd, const char* name, const InputConfig& config) {
    reset(in, name);
    source_open_fd(in.src, fd);
    return open_descriptor(in, fd, config);
}

InputError input_open_memory(SampleInput& in, const void* data, std::size_t n, const char* name,
                             const InputConfig& config) {
    reset(in, name);
    source_open_memory(in.src, data, n);
    return open_common(in, config, -1);
}

void input_close(SampleInput& in) {
    sndfile_close(in.sndfile);
    in.sndfile = nullptr;
    source_close(in.src);
    in.ended = true;
}

int input_read(SampleInput& in, float* out, int max) {
    if (in.format.iq) return 0;  // I/Q comes through input_read_iq
    return read_frames(in, out, max);
}

int input_read_iq(SampleInput& in, std::complex<float>* out, int max) {
    if (!in.format.iq) return 0;
    // std::complex<float> is laid out as two floats, real first.
    return read_frames(in, reinterpret_cast<float*>(out), max);
}

bool input_is_terminal(int fd) { return ::isatty(fd) == 1; }

}  // namespace sonde
