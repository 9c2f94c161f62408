#include "support/run_program.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

ProcessResult run_program(const std::string& exe, const std::vector<std::string>& args, const std::string& stdin_data,
                          const std::string& cwd) {
    ProcessResult r;
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
        argv.push_back(const_cast<char*>(exe.c_str()));
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
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
