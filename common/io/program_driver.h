// The one program skeleton of the decoders: options matched as whole words,
// left to right, the first argument that is no option naming the input file
// and ending the scan (an unknown option taken for a file name); then the
// input opened, the WAV header read, the program's own start-up, the decoder
// run, the final empty line and the exit status.
#pragma once

#include <span>

#include "line_out.h"
#include "wav_input.h"

namespace sonde {

// An option of a program: one or two words that select it, and either the
// flag it sets to `value`, or (flag nullptr) the program's own id for it,
// handed to ProgramHooks::option with the next argument when takes_value.
struct ProgramOption {
    const char* word = nullptr;
    const char* long_word = nullptr;
    int* flag = nullptr;
    int value = 1;
    int id = 0;
    bool takes_value = false;
};

struct ProgramText {
    const char* name = nullptr;   // in the --version line; argv[0] when there is none
    const char* usage = nullptr;  // the help text after its first line, as it always was
    const char* added = nullptr;  // help lines of accepted options that text does not name
};

// What differs between the programs. Every hook but input and run has a
// default that does nothing.
struct ProgramHooks {
    virtual ~ProgramHooks() = default;
    // Applies an option without a flag (value: its argument, else nullptr);
    // false ends the run with kExitFailure.
    virtual bool option(int, const char*) { return true; }
    virtual WavInput& input() = 0;
    // After the header; false (with a message of its own) ends the run with
    // kExitFailure.
    virtual bool start(const ProgramIo&) { return true; }
    virtual void run(const ProgramIo& io) = 0;
    // Releases what start took; called whenever start succeeded.
    virtual void finish() {}
    // The empty line at the end of the data (JSON Lines have none).
    virtual bool final_empty_line() const { return true; }
};

// "-h"/"--help" writes the help text to err_fd and "--version" the name and
// version to out_fd, both ending the run with 0.
int run_program(const ProgramText& text, std::span<const ProgramOption> options, ProgramHooks& hooks, int argc,
                char** argv, const ProgramIo& io);

}  // namespace sonde
