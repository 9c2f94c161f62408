#pragma once

#include <span>

#include "line_out.h"
#include "program_driver.h"

namespace sonde::vardo {

// The whole program: command line, input, header, capture loop. Returns the
// exit status (0, or kExitFailure).
int vardo_run(int argc, char** argv, const ProgramIo& io);

// The options this program accepts besides -h, --help and --version.
std::span<const ProgramOption> vardo_options();

}  // namespace sonde::vardo
