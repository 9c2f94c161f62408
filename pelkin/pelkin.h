#pragma once

#include <span>

#include "line_out.h"
#include "program_driver.h"

namespace sonde::pelkin {

// The whole program: command line, input, header, decoding until the audio
// ends. Returns the exit status (0, or kExitFailure).
int pelkin_run(int argc, char** argv, const ProgramIo& io);

// The options this program accepts besides -h, --help and --version.
std::span<const ProgramOption> pelkin_options();

}  // namespace sonde::pelkin
