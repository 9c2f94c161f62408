#pragma once

#include <vector>

#include "io/line_out.h"
#include "pelkin/decoder.h"
#include "io/program_driver.h"

namespace sonde::pelkin {

// The whole program: command line, input, header, decoding until the audio
// ends. Returns the exit status (0, or kExitFailure).
int program_main(int argc, char** argv, const ProgramIo& io);

// The options this program accepts besides -h, --help and --version, with
// the flags of d that they set.
std::vector<ProgramOption> program_options(PelkinDecoder& d);

}  // namespace sonde::pelkin
