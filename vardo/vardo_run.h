#pragma once

#include <vector>

#include "line_out.h"
#include "program_driver.h"
#include "vardo/vardo_decoder.h"

namespace sonde::vardo {

// The whole program: command line, input, header, capture loop. Returns the
// exit status (0, or kExitFailure).
int vardo_run(int argc, char** argv, const ProgramIo& io);

// The options this program accepts besides -h, --help and --version, with
// the flags of v that they set.
std::vector<ProgramOption> vardo_options(VardoDecoder& v);

}  // namespace sonde::vardo
