// Output descriptors for code under test: an anonymous temporary file whose
// contents are read back after the call.
#pragma once

#include <cstdio>
#include <string>

// Everything in f from its start; closes f.
inline std::string read_and_close(std::FILE* f) {
    std::string s;
    std::rewind(f);
    char b[4096];
    std::size_t n;
    while ((n = std::fread(b, 1, sizeof b, f)) > 0) s.append(b, n);
    std::fclose(f);
    return s;
}

struct CapturedOutput {
    std::FILE* f = std::tmpfile();
    CapturedOutput() = default;
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;
    ~CapturedOutput() { std::fclose(f); }
    int fd() const { return fileno(f); }
    // What was written since the last take.
    std::string take() {
        std::string s = read_and_close(f);
        f = std::tmpfile();
        return s;
    }
};
