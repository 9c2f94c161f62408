// sonderx's command line: GNU-style options in any order with the file,
// "--" ending them and "-" naming standard input.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "io/sample_format.h"
#include "receiver/soft_frame.h"

namespace sonde::sonderx {

enum class OutputForm { text, json, csv };
enum class ColorChoice { automatic, always, never };
// --demod: what reads each I/Q channel: each kind's best-measured detector on
// the complex samples (the discriminator for kinds that have none yet), or
// every kind from the FM discriminator's audio (the reference).
enum class Demod { best, discriminator };

struct Options {
    bool kinds[kSondeKinds] = {true, true, true};  // --kind: the kinds to run
    bool raw = false;                              // --raw FORMAT given
    bool iq = false;                               // --iq FORMAT given
    bool iq_wav = false;                           // --iq wav: a two-channel WAV, I left and Q right
    SampleFormat iq_format = SampleFormat::u8;     // --iq: the raw I/Q samples' encoding
    int64_t center_hz = 0;                         // --center; 0 when not given
    std::vector<double> offsets_hz;                // --offset: channels given, no search
    Demod demod = Demod::best;                     // --demod
    bool demod_given = false;
    SampleFormat raw_format = SampleFormat::s16le;
    int64_t rate_hz = 0;  // --rate; 0 when not given
    int channels = 1;     // --channels (raw samples)
    int channel = 0;      // --channel, counted from 0
    bool channels_given = false;
    bool all = false;  // --all: bad frames and packets without position too
    OutputForm form = OutputForm::text;
    std::string out_path;  // -o; empty: standard output
    ColorChoice color = ColorChoice::automatic;
    double status_s = 0.0;  // --status: seconds of the capture between carrier tables; 0: none
    bool quiet = false;
    bool help = false;
    bool version = false;
    std::string input;  // the file; "-" or empty: standard input
};

constexpr std::size_t kMaxOffsets = 32;  // --offset: as many channels as the I/Q front end has

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitInput = 1;  // input, rate or output trouble
constexpr int kExitUsage = 2;

// Reads argv (argv[0] is the program's name). False with a message in
// error (without the program's name in front) for a usage error.
bool parse_options(int argc, char** argv, Options& o, std::string& error);

// The help text, one described line per option, then the receiver recipes.
const char* help_text();

}  // namespace sonde::sonderx
