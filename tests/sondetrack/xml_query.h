// Questions to a GPX or KML file, answered by an XML parser (xmllint).
#pragma once

#include <string>
#include <unistd.h>

#include "support/run_program.h"

inline const char* const kXmllint = "/usr/bin/xmllint";

inline bool have_xmllint() { return access(kXmllint, X_OK) == 0; }

// The value of an XPath expression over a file, as xmllint prints it.
inline std::string xpath(const std::string& file, const std::string& expr) {
    std::string out = run_program(kXmllint, {"--xpath", expr, file}).out;
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

inline bool well_formed(const std::string& file) { return run_program(kXmllint, {"--noout", file}).status == 0; }

// An element of that local name in any namespace.
inline std::string el(const std::string& name) { return "*[local-name()='" + name + "']"; }
