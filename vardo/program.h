#pragma once

#include <vector>

#include "io/line_out.h"
#include "io/program_driver.h"
#include "vardo/decoder.h"

namespace sonde::vardo {

// The whole program: command line, input, header, capture loop. Returns the
// exit status (0, or kExitFailure).
int program_main(int argc, char** argv, const ProgramIo& io);

// The options this program accepts besides -h, --help and --version, with
// the flags of v that they set.
std::vector<ProgramOption> program_options(VardoDecoder& v);

}  // namespace sonde::vardo
