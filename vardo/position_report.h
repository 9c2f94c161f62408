// The decoded report of one frame: field decoders, jump filter, one line,
// and the frame appended to its file.
#pragma once

#include "vardo/vardo_decoder.h"

// good: the frame's check result. Returns 0 for frame types 1 and 2, 1 for
// any other type (nothing is written then).
int print_pos(VardoDecoder& v, int good);
