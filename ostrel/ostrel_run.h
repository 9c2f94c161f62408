// The ostrel program: command line, start-up and the sample loop.
#pragma once

#include <vector>

#include "line_out.h"
#include "ostrel_options.h"
#include "program_driver.h"

namespace sonde::ostrel {

int ostrel_run(int argc, char** argv, const ProgramIo& io);

// The options this program accepts besides -h, --help and --version, with
// the flags of o that they set.
std::vector<ProgramOption> ostrel_options(OstrelOptions& o);

}  // namespace sonde::ostrel
