#pragma once

#include "line_out.h"

namespace sonde::vardo {

// The whole program: command line, input, header, capture loop. Returns the
// exit status (0, or kExitFailure).
int vardo_run(int argc, char** argv, const ProgramIo& io);

}  // namespace sonde::vardo
