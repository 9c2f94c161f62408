#include "program_input.h"

namespace sonde {

bool open_named_input(ByteSource& s, const char* path, int err_fd) {
    if (source_open_file(s, path)) return true;
    fd_printf(err_fd, "%s konnte nicht geoeffnet werden\n", path);
    return false;
}

void open_standard_input(ByteSource& s, const ProgramIo& io) {
    if (io.in_mem != nullptr)
        source_open_memory(s, io.in_mem, io.in_len);
    else
        source_open_fd(s, io.in_fd);
}

}  // namespace sonde
