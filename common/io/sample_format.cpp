#include "io/sample_format.h"

#include <cstring>
#include <string>

namespace sonde {

namespace {

struct FormatInfo {
    SampleFormat format;
    int bytes;
    const char* name;
    const char* description;
};

constexpr FormatInfo kFormats[] = {
    {SampleFormat::u8, 1, "u8", "8-bit unsigned integer"}, {SampleFormat::s8, 1, "s8", "8-bit integer"},
    {SampleFormat::s16le, 2, "s16le", "16-bit integer"},   {SampleFormat::s24le, 3, "s24le", "24-bit integer"},
    {SampleFormat::s32le, 4, "s32le", "32-bit integer"},   {SampleFormat::f32le, 4, "f32le", "32-bit float"},
    {SampleFormat::f64le, 8, "f64le", "64-bit float"},     {SampleFormat::other, 0, "other", "compressed or companded"},
};

const FormatInfo& info(SampleFormat f) {
    for (const FormatInfo& i : kFormats)
        if (i.format == f) return i;
    return kFormats[7];
}

// The raw formats both --raw and --iq take, in the order messages list them.
constexpr SampleFormat kRawFormats[] = {SampleFormat::s16le, SampleFormat::u8, SampleFormat::s8, SampleFormat::f32le};

bool find_raw(const char* text, SampleFormat& f) {
    for (SampleFormat r : kRawFormats)
        if (std::strcmp(text, info(r).name) == 0) {
            f = r;
            return true;
        }
    return false;
}

}  // namespace

int sample_bytes(SampleFormat f) { return info(f).bytes; }
const char* sample_format_name(SampleFormat f) { return info(f).name; }
const char* sample_format_description(SampleFormat f) { return info(f).description; }

InputError parse_raw_audio_format(const char* text, SampleFormat& f) {
    if (find_raw(text, f)) return {};
    return input_error(InputErrorCode::bad_format,
                       "unknown sample format \"" + std::string(text) + "\": raw audio is s16le, u8, s8 or f32le");
}

InputError parse_iq_format(const char* text, SampleFormat& f, bool& is_wav) {
    is_wav = std::strcmp(text, "wav") == 0;
    if (is_wav || find_raw(text, f)) return {};
    return input_error(InputErrorCode::bad_format, "unknown I/Q format \"" + std::string(text) +
                                                       "\": I/Q is u8 (as rtl_sdr writes it), s8 (as HackRF tools "
                                                       "write it), s16le, f32le or wav (I left, Q right)");
}

}  // namespace sonde
