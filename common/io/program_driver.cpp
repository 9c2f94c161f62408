#include "program_driver.h"

#include <cstring>

namespace sonde {

namespace {

bool is(const char* a, const char* word) { return word != nullptr && std::strcmp(a, word) == 0; }

const ProgramOption* find_option(std::span<const ProgramOption> options, const char* a) {
    for (const ProgramOption& o : options)
        if (is(a, o.word) || is(a, o.long_word)) return &o;
    return nullptr;
}

}  // namespace

int run_program(const ProgramText& text, std::span<const ProgramOption> options, ProgramHooks& hooks, int argc,
                char** argv, const ProgramIo& io) {
    WavInput& in = hooks.input();
    bool file_opened = false;
    for (int i = 1; i < argc && !file_opened; i++) {
        const char* a = argv[i];
        if (is(a, "-h") || is(a, "--help")) {
            fd_printf(io.err_fd, "%s [options] audio.wav\n", argv[0] != nullptr ? argv[0] : text.name);
            fd_printf(io.err_fd, "%s%s", text.usage, text.added);
            return 0;
        }
        if (is(a, "--version")) {
            fd_printf(io.out_fd, "%s %s\n", text.name, SONDE_VERSION);
            return 0;
        }
        if (const ProgramOption* o = find_option(options, a)) {
            if (o->flag != nullptr) {
                *o->flag = o->value;
                continue;
            }
            const char* value = nullptr;
            if (o->takes_value) {
                if (++i >= argc) return kExitFailure;
                value = argv[i];
            }
            if (!hooks.option(o->id, value)) return kExitFailure;
            continue;
        }
        if (!source_open_file(in.src, a)) {
            fd_printf(io.err_fd, "%s konnte nicht geoeffnet werden\n", a);
            return kExitFailure;
        }
        file_opened = true;
    }
    // Else standard input (or, in tests, the memory image standing in for it).
    if (!file_opened && io.in_mem != nullptr)
        source_open_memory(in.src, io.in_mem, io.in_len);
    else if (!file_opened)
        source_open_fd(in.src, io.in_fd);
    if (read_wav_header(in, io.err_fd) != 0 || !hooks.start(io)) {
        source_close(in.src);
        return kExitFailure;
    }
    hooks.run(io);
    if (hooks.final_empty_line()) write_all(io.out_fd, "\n", 1);
    source_close(in.src);
    hooks.finish();
    return 0;
}

}  // namespace sonde
