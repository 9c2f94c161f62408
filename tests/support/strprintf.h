// printf into a std::string, for tests that compute expected output lines.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

inline std::string strprintf(const char* f, ...) __attribute__((format(printf, 1, 2)));
inline std::string strprintf(const char* f, ...) {
    va_list ap;
    va_start(ap, f);
    va_list again;
    va_copy(again, ap);
    const int n = std::vsnprintf(nullptr, 0, f, ap);
    va_end(ap);
    std::string s(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(s.data(), s.size() + 1, f, again);
    va_end(again);
    return s;
}
