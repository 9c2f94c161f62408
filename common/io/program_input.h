// Where a program's audio comes from: the file named on the command line,
// or else standard input (or, in tests, the memory image standing in for it).
#pragma once

#include "byte_source.h"
#include "line_out.h"

namespace sonde {

// Opens the named file; when it cannot be opened, says so on err_fd and
// returns false.
bool open_named_input(ByteSource& s, const char* path, int err_fd);

// Standard input as io gives it.
void open_standard_input(ByteSource& s, const ProgramIo& io);

}  // namespace sonde
