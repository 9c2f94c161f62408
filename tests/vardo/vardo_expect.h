// Expected output lines of vardo, computed in the test from the field
// values that the synthesizer encoded, with formatting of the test's own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vardo/vardo_synth.h"

struct Expected {
    VardoFrameFields f;
    bool ok = true;
};

struct OutputForm {
    int verbose = 0;
    bool color = false;
    bool csv = false;
};

// The report line (with its newline) of a frame of f.type.
std::string expect_report(const Expected& e, const OutputForm& form);
// The hexadecimal line of the given frame bytes.
std::string expect_hex(const std::vector<uint8_t>& bytes, int type, int auxlen, bool ok, const OutputForm& form);

// What the very first capture after start-up holds: only the first 20 bytes
// of the frame arrive, everything after them reads as 0.
VardoFrameFields first_capture(const VardoFrameFields& f);
std::vector<uint8_t> first_capture_bytes(const VardoFrameFields& f);

// Unix time to "YYYY-MM-DD" and "hh:mm:ss" parts.
struct Civil {
    int y, mo, d, h, mi, s;
};
Civil civil_from_unix(int64_t t);
