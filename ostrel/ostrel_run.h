// The ostrel program: command line, start-up and the sample loop.
#pragma once

#include <span>

#include "line_out.h"
#include "program_driver.h"

namespace sonde::ostrel {

int ostrel_run(int argc, char** argv, const ProgramIo& io);

// The options this program accepts besides -h, --help and --version.
std::span<const ProgramOption> ostrel_options();

}  // namespace sonde::ostrel
