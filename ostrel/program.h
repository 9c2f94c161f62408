// The ostrel program: command line, start-up and the sample loop.
#pragma once

#include <vector>

#include "io/line_out.h"
#include "ostrel/options.h"
#include "io/program_driver.h"

namespace sonde::ostrel {

int program_main(int argc, char** argv, const ProgramIo& io);

// The options this program accepts besides -h, --help and --version, with
// the flags of o that they set.
std::vector<ProgramOption> program_options(OstrelOptions& o);

}  // namespace sonde::ostrel
