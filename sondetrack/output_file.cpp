#include "sondetrack/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "io/line_out.h"

namespace sondetrack {

bool replace_file(const std::string& path, const std::string& content, std::string& error) {
    // Beside the target, so that the rename stays on one file system.
    std::string tmp = path + ".XXXXXX";
    std::vector<char> name(tmp.begin(), tmp.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        error = "cannot create a temporary file beside " + path + ": " + std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private; a track is for sharing, like any new file.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    if (!sonde::write_all(fd, content.data(), content.size())) {
        error = "cannot write " + std::string(name.data()) + ": " + std::strerror(errno);
        close(fd);
        unlink(name.data());
        return false;
    }
    if (close(fd) != 0 || std::rename(name.data(), path.c_str()) != 0) {
        error = "cannot replace " + path + ": " + std::strerror(errno);
        unlink(name.data());
        return false;
    }
    return true;
}

}  // namespace sondetrack
