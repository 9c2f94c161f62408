#include "io/wav_header.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace sonde {

namespace {

uint32_t le16(const unsigned char* p) { return static_cast<uint32_t>(p[0] | p[1] << 8); }
uint32_t le32(const unsigned char* p) { return le16(p) | le16(p + 2) << 16; }

// The tail that every WAVE_FORMAT_EXTENSIBLE sub-format GUID of a plain
// format tag shares after its first two bytes.
constexpr unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                         0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr uint32_t kTagPcm = 1, kTagFloat = 3, kTagExtensible = 0xFFFE;
constexpr uint32_t kFmtMin = 16, kFmtExtensible = 40;

const char* tag_name(uint32_t tag) {
    static constexpr std::pair<uint32_t, const char*> kNames[] = {
        {2, " (ADPCM)"}, {6, " (A-law)"}, {7, " (mu-law)"}, {0x11, " (IMA ADPCM)"}, {0x55, " (MPEG layer 3)"}};
    for (const auto& [t, name] : kNames)
        if (t == tag) return name;
    return "";
}

std::string hex_tag(uint32_t tag) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%04X", static_cast<unsigned>(tag));
    return b;
}

InputError unsupported(const std::string& name, const std::string& what) {
    return input_error(InputErrorCode::unsupported_format,
                       name + " holds WAV samples in an unsupported format, " + what +
                           ": readable are integer PCM of 8 to 32 bits and float of 32 or 64 bits");
}

// The sample format from the fmt chunk's first kFmtMin (or kFmtExtensible)
// bytes.
InputError parse_fmt(const unsigned char* b, uint32_t size, const std::string& name, WavHeader& h) {
    uint32_t tag = le16(b);
    h.channels = static_cast<int>(le16(b + 2));
    h.rate_hz = le32(b + 4);
    const uint32_t container = le16(b + 14);
    uint32_t bits = container;
    h.extensible = tag == kTagExtensible;
    if (h.extensible) {
        if (size < kFmtExtensible)
            return input_error(InputErrorCode::bad_header,
                               name + " has a broken WAV header: its extensible fmt chunk is " + std::to_string(size) +
                                   " bytes long instead of 40");
        if (std::memcmp(b + 26, kGuidTail, sizeof kGuidTail) != 0)
            return unsupported(name, "an extensible format with a sub-format GUID of its own");
        tag = le16(b + 24);
        const uint32_t valid = le16(b + 18);
        if (valid != 0 && valid <= container) bits = valid;
        if (container % 8 != 0) return unsupported(name, std::to_string(container) + "-bit sample containers");
    }
    if (h.channels == 0)
        return input_error(InputErrorCode::bad_header, name + " has a broken WAV header: it gives 0 channels");
    h.bits = static_cast<int>(bits);
    const uint32_t bytes = (container + 7) / 8;
    if (tag == kTagPcm) {
        if (container == 0 || bytes > 4) return unsupported(name, "PCM of " + std::to_string(container) + " bits");
        constexpr SampleFormat kByWidth[] = {SampleFormat::u8, SampleFormat::s16le, SampleFormat::s24le,
                                             SampleFormat::s32le};
        h.format = kByWidth[bytes - 1];
        return {};
    }
    if (tag == kTagFloat) {
        if (container != 32 && container != 64)
            return unsupported(name, "float of " + std::to_string(container) + " bits");
        h.format = container == 32 ? SampleFormat::f32le : SampleFormat::f64le;
        return {};
    }
    return unsupported(name, "format tag " + hex_tag(tag) + tag_name(tag));
}

// Passes over n bytes; false at the end of the stream.
bool skip(ByteSource& s, int64_t n, int64_t& bytes_read) {
    while (n > 0) {
        if (s.pos == s.len && !source_refill(s)) return false;
        const std::size_t take = static_cast<std::size_t>(std::min<int64_t>(n, static_cast<int64_t>(s.len - s.pos)));
        s.pos += take;
        n -= static_cast<int64_t>(take);
        bytes_read += static_cast<int64_t>(take);
    }
    return true;
}

bool read_exact(ByteSource& s, unsigned char* dst, std::size_t n, int64_t& bytes_read) {
    const std::size_t got = source_read(s, dst, n);
    bytes_read += static_cast<int64_t>(got);
    return got == n;
}

InputError cut_short(const std::string& name, int64_t bytes_read, const std::string& where) {
    return input_error(InputErrorCode::header_cut_short, name + " ends inside its WAV header, after " +
                                                             std::to_string(bytes_read) + " bytes" + where +
                                                             ": the recording is cut short");
}

}  // namespace

bool is_wav_start(const unsigned char* p, std::size_t n) {
    if (n < 12 || std::memcmp(p + 8, "WAVE", 4) != 0) return false;
    return std::memcmp(p, "RIFF", 4) == 0 || std::memcmp(p, "RF64", 4) == 0 || std::memcmp(p, "BW64", 4) == 0;
}

InputError parse_wav_header(ByteSource& s, const std::string& name, WavHeader& h, int64_t& bytes_read) {
    bool have_fmt = false;
    for (;;) {
        unsigned char chunk[8];
        if (!read_exact(s, chunk, sizeof chunk, bytes_read))
            return cut_short(name, bytes_read, have_fmt ? ", before its data chunk" : ", before its fmt chunk");
        std::string id(reinterpret_cast<const char*>(chunk), 4);
        const uint32_t size = le32(chunk + 4);
        if (id == "data") {
            if (!have_fmt)
                return input_error(InputErrorCode::bad_header,
                                   name + " has a broken WAV header: its data chunk comes before its fmt chunk");
            h.data_size = size;
            return {};
        }
        int64_t rest = static_cast<int64_t>(size) + (size & 1);  // chunks are padded to an even length
        if (id == "fmt ") {
            if (size < kFmtMin)
                return input_error(InputErrorCode::bad_header, name + " has a broken WAV header: its fmt chunk is " +
                                                                   std::to_string(size) + " bytes long, 16 at least");
            unsigned char fmt[kFmtExtensible];
            const uint32_t take = size < kFmtExtensible ? size : kFmtExtensible;
            if (!read_exact(s, fmt, take, bytes_read)) return cut_short(name, bytes_read, ", in its fmt chunk");
            InputError e = parse_fmt(fmt, size, name, h);
            if (e.failed()) return e;
            have_fmt = true;
            rest -= take;
        }
        if (!skip(s, rest, bytes_read)) {
            for (char& c : id)
                if (c < 0x20 || c > 0x7E) c = '?';  // the message stays plain text
            return cut_short(name, bytes_read, ", in its \"" + id + "\" chunk");
        }
    }
}

}  // namespace sonde
