#pragma once

#include "line_out.h"

namespace sonde::pelkin {

// The whole program: command line, input, header, decoding until the audio
// ends. Returns the exit status (0, or kExitFailure).
int pelkin_run(int argc, char** argv, const ProgramIo& io);

}  // namespace sonde::pelkin
