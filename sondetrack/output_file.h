// Replaces a file in one step, so that a reader never sees half of it.
#pragma once

#include <string>

namespace sondetrack {

// Writes content to a new temporary file beside path and renames it over
// path. False with a message in error when that fails (the temporary file
// is removed).
bool replace_file(const std::string& path, const std::string& content, std::string& error);

}  // namespace sondetrack
