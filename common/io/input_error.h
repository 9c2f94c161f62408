// Why an input cannot be read, as a value: the code tells the program what to
// add (a hint about --raw, a non-zero status), the message says in English
// what is wrong and what to do. Nothing in the input layer prints or exits.
#pragma once

#include <string>

namespace sonde {

enum class InputErrorCode {
    none,
    cannot_open,  // open(2) failed; the message carries strerror
    is_directory,
    empty,                // not a single byte
    not_a_recording,      // no header it knows: the program may suggest raw samples
    needs_named_file,     // a container only readable from a seekable file came through a pipe
    header_cut_short,     // the stream ends inside the WAV header
    bad_header,           // a WAV header that contradicts itself (no channels, fmt too short)
    unsupported_format,   // a WAV sample format that is not read
    no_such_channel,      // the chosen channel is not in the recording
    wrong_channel_count,  // an I/Q WAV without exactly two channels
    rate_out_of_range,
    bad_rate,    // a rate text that does not parse
    bad_format,  // a sample format name that is not known
};

struct InputError {
    InputErrorCode code = InputErrorCode::none;
    std::string message;

    bool failed() const { return code != InputErrorCode::none; }
};

inline InputError input_error(InputErrorCode code, std::string message) { return {code, std::move(message)}; }

}  // namespace sonde
