// Text and numbers as they may stand in an XML 1.0 document.
#pragma once

#include <string>
#include <string_view>

namespace sondetrack {

// Appends text escaped for element content and attribute values: & < > " '
// as entities; bytes that are not UTF-8, and characters XML 1.0 does not
// allow (control characters, U+FFFE, U+FFFF), as U+FFFD.
void append_xml_text(std::string& out, std::string_view text);

// Appends a finite number in plain decimal notation (no exponent), the
// shortest digits that read back as the same double.
void append_number(std::string& out, double v);

}  // namespace sondetrack
