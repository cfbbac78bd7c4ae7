// Test support: a program run as a child process, its output read through pipes.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

inline std::string ReadAvailable(int fd) {
    std::string text;
    char chunk[4096];
    ssize_t n = 0;
    while ((n = read(fd, chunk, sizeof chunk)) > 0) {
        text.append(chunk, static_cast<std::size_t>(n));
    }
    return text;
}

// A running program. stdout is a pipe to the test unless `stdoutFd` is given (-1: closed);
// stderr is always a pipe.
class ChildProcess {
    using Clock = std::chrono::steady_clock;
    using Ms = std::chrono::milliseconds;

  public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 std::optional<int> stdoutFd = std::nullopt) {
        int out[2];
        int err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe");
        }
        std::vector<std::string> argv = {program};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> pointers;
        for (std::string& arg : argv) {
            pointers.push_back(arg.data());
        }
        pointers.push_back(nullptr);
        m_pid = fork();
        if (m_pid == 0) {
            // Only async-signal-safe calls between fork and exec.
            if (!stdoutFd) {
                dup2(out[1], STDOUT_FILENO);
            } else if (*stdoutFd >= 0) {
                dup2(*stdoutFd, STDOUT_FILENO);
            } else {
                close(STDOUT_FILENO);
            }
            dup2(err[1], STDERR_FILENO);
            execv(pointers[0], pointers.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        m_out = out[0];
        m_err = err[0];
    }

    ~ChildProcess() {
        if (!m_status) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_out);
        close(m_err);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return m_pid; }

    // Whether the process catches `signal` (has a handler installed) within `limit`.
    bool CatchesWithin(int signal, Ms limit) {
        const auto deadline = Clock::now() + limit;
        do {
            std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
            for (std::string line; std::getline(status, line);) {
                if (line.rfind("SigCgt:", 0) == 0 &&
                    ((std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1) != 0) {
                    return true;
                }
            }
            std::this_thread::sleep_for(Ms(10));
        } while (Clock::now() < deadline);
        return false;
    }

    // Reads stdout until `line` has come, or `limit` passed.
    bool AwaitLine(const std::string& line, Ms limit) {
        const auto deadline = Clock::now() + limit;
        while (m_stdout.find(line + "\n") == std::string::npos && Clock::now() < deadline) {
            pollfd entry{m_out, POLLIN, 0};
            if (poll(&entry, 1, 50) > 0) {
                char chunk[4096];
                const ssize_t n = read(m_out, chunk, sizeof chunk);
                if (n <= 0) {
                    return false;
                }
                m_stdout.append(chunk, static_cast<std::size_t>(n));
            }
        }
        return m_stdout.find(line + "\n") != std::string::npos;
    }

    // The wait status once the process ended, or nullopt after `limit`.
    std::optional<int> AwaitEnd(Ms limit) {
        const auto deadline = Clock::now() + limit;
        while (!m_status && Clock::now() < deadline) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_status = status;
            } else {
                std::this_thread::sleep_for(Ms(5));
            }
        }
        if (m_status) {
            m_stdout += ReadAvailable(m_out);
            m_stderr += ReadAvailable(m_err);
        }
        return m_status;
    }

    const std::string& Stdout() const { return m_stdout; }
    const std::string& Stderr() const { return m_stderr; }

  private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_stdout;
    std::string m_stderr;
    std::optional<int> m_status;
};

inline std::optional<int> ExitCode(const std::optional<int>& waitStatus) {
    if (!waitStatus || !WIFEXITED(*waitStatus)) {
        return std::nullopt;
    }
    return WEXITSTATUS(*waitStatus);
}
