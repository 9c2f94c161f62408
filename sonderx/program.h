// The whole sonderx program: command line, input, the kinds at the input's
// rate, the receivers on the one stream, the output and the summary.
#pragma once

#include "io/line_out.h"

namespace sonde::sonderx {

// Returns the exit status: 0 when the input was read to its end, 1 for
// input, rate or output trouble, 2 for a usage error.
int program_main(int argc, char** argv, const ProgramIo& io);

}  // namespace sonde::sonderx
