// The ostrel program: command line, start-up and the sample loop.
#pragma once

#include "line_out.h"

namespace sonde::ostrel {

int ostrel_run(int argc, char** argv, const ProgramIo& io);

}  // namespace sonde::ostrel
