#include "support/run_program.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#ifdef TARGET_EMULATOR
namespace {

// The ELF machine these tests were compiled for.
#if defined(__aarch64__)
constexpr uint16_t kOwnMachine = EM_AARCH64;
#elif defined(__arm__)
constexpr uint16_t kOwnMachine = EM_ARM;
#elif defined(__x86_64__)
constexpr uint16_t kOwnMachine = EM_X86_64;
#elif defined(__i386__)
constexpr uint16_t kOwnMachine = EM_386;
#else
constexpr uint16_t kOwnMachine = EM_NONE;
#endif

// True when path is an ELF file for kOwnMachine. e_machine sits at byte 18,
// in the file's own byte order (little-endian on every target here).
bool built_for_this_machine(const std::string& path) {
    unsigned char h[20] = {};
    std::ifstream f(path, std::ios::binary);
    if (!f.read(reinterpret_cast<char*>(h), sizeof h)) return false;
    if (std::memcmp(h, ELFMAG, SELFMAG) != 0 || h[EI_DATA] != ELFDATA2LSB) return false;
    return (h[18] | h[19] << 8) == kOwnMachine;
}

}  // namespace
#endif

std::vector<std::string> program_command(const std::string& exe) {
    std::vector<std::string> cmd;
#ifdef TARGET_EMULATOR
    // The emulator's words, joined with '|' by CMake.
    if (built_for_this_machine(exe)) {
        const std::string words = TARGET_EMULATOR;
        for (std::size_t at = 0; at <= words.size();) {
            const std::size_t bar = std::min(words.find('|', at), words.size());
            if (bar > at) cmd.push_back(words.substr(at, bar - at));
            at = bar + 1;
        }
    }
#endif
    cmd.push_back(exe);
    return cmd;
}

std::string shell_command(const std::string& exe) {
    std::string line;
    for (const std::string& w : program_command(exe)) {
        if (!line.empty()) line += ' ';
        line += '\'';
        for (char c : w) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
        line += '\'';
    }
    return line;
}

ProcessResult run_program(const std::string& exe, const std::vector<std::string>& args, const std::string& stdin_data,
                          const std::string& cwd) {
    ProcessResult r;
    const std::vector<std::string> command = program_command(exe);
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err)) return r;
    signal(SIGPIPE, SIG_IGN);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
        std::vector<char*> argv;
        for (const auto& w : command) argv.push_back(const_cast<char*>(w.c_str()));
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    fcntl(in[1], F_SETFL, O_NONBLOCK);
    std::size_t written = 0;
    if (stdin_data.empty()) {
        close(in[1]);
        in[1] = -1;
    }
    char buf[65536];
    bool out_open = true, err_open = true;
    while (out_open || err_open || in[1] >= 0) {
        pollfd fds[3];
        int n = 0;
        int idx_in = -1, idx_out = -1, idx_err = -1;
        if (in[1] >= 0) {
            idx_in = n;
            fds[n++] = {in[1], POLLOUT, 0};
        }
        if (out_open) {
            idx_out = n;
            fds[n++] = {out[0], POLLIN, 0};
        }
        if (err_open) {
            idx_err = n;
            fds[n++] = {err[0], POLLIN, 0};
        }
        if (poll(fds, static_cast<nfds_t>(n), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (idx_in >= 0 && fds[idx_in].revents) {
            ssize_t w = write(in[1], stdin_data.data() + written, stdin_data.size() - written);
            if (w > 0) written += static_cast<std::size_t>(w);
            if (w < 0 && errno != EAGAIN && errno != EINTR) written = stdin_data.size();
            if (written == stdin_data.size()) {
                close(in[1]);
                in[1] = -1;
            }
        }
        if (idx_out >= 0 && fds[idx_out].revents) {
            ssize_t k = read(out[0], buf, sizeof buf);
            if (k > 0)
                r.out.append(buf, static_cast<std::size_t>(k));
            else if (k == 0 || errno != EINTR)
                out_open = false;
        }
        if (idx_err >= 0 && fds[idx_err].revents) {
            ssize_t k = read(err[0], buf, sizeof buf);
            if (k > 0)
                r.err.append(buf, static_cast<std::size_t>(k));
            else if (k == 0 || errno != EINTR)
                err_open = false;
        }
    }
    close(out[0]);
    close(err[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        r.status = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        r.status = 128 + WTERMSIG(status);
    return r;
}

TempDir::TempDir() {
    std::string base = std::filesystem::temp_directory_path().string() + "/sonde-test-XXXXXX";
    std::vector<char> tmpl(base.begin(), base.end());
    tmpl.push_back('\0');
    char* p = mkdtemp(tmpl.data());
    path = p ? p : "";
}

TempDir::~TempDir() {
    if (!path.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
}

std::string read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

bool file_exists(const std::string& path) { return std::filesystem::exists(path); }
