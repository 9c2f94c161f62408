#pragma once

#include <vector>

#include "line_out.h"
#include "pelkin/pelkin_decoder.h"
#include "program_driver.h"

namespace sonde::pelkin {

// The whole program: command line, input, header, decoding until the audio
// ends. Returns the exit status (0, or kExitFailure).
int pelkin_run(int argc, char** argv, const ProgramIo& io);

// The options this program accepts besides -h, --help and --version, with
// the flags of d that they set.
std::vector<ProgramOption> pelkin_options(PelkinDecoder& d);

}  // namespace sonde::pelkin
