// velkaro-nodesim: lock-control nodes on a pseudo-terminal. Prints the port's path as its first
// line on stdout, then answers until SIGINT or SIGTERM. Commands on stdin, one a line:
//   close all      shut every open lock
//   close ADDRS    shut these locks, e.g. close 00-03,05
// stdin is optional: at its end the simulator just stops reading commands. A line longer than
// 4096 bytes is ignored.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "nodesim/command_reader.h"
#include "nodesim/node_sim.h"
#include "nodesim/options.h"
#include "res/texts.h"
#include "res/version.h"

namespace {

int g_signalPipe[2] = {-1, -1};

// A full address list, "00,01,...,fe", takes 765 characters.
constexpr std::size_t kMaxCommandLength = 4096;

// A descriptor 0 to 2 left closed by the parent would otherwise be taken by the pipe or the
// pseudo-terminal, and the port's path or a command read would go to the wrong place.
void EnsureStandardDescriptors() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) < 0) {
            open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        }
    }
}

extern "C" void OnTerminationSignal(int) {
    const char note = 1;
    [[maybe_unused]] const auto ignored = write(g_signalPipe[1], &note, 1);
}

bool InstallSignalHandlers() {
    if (pipe(g_signalPipe) != 0) {
        return false;
    }
    fcntl(g_signalPipe[1], F_SETFL, fcntl(g_signalPipe[1], F_GETFL) | O_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // Started in the background of an interactive shell, reading the terminal must not stop
    // the process; the read then fails and commands are simply not read.
    std::signal(SIGTTIN, SIG_IGN);
    return true;
}

std::string Hex(const uint8_t* bytes, std::size_t count) {
    std::string text;
    std::array<char, 4> digits{};
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(digits.data(), digits.size(), i == 0 ? "%02X" : " %02X", bytes[i]);
        text += digits.data();
    }
    return text;
}

NodeSimObserver VerboseObserver() {
    NodeSimObserver observer;
    observer.hostFrame = [](const HostFrame& frame, auto) {
        std::cerr << ("rx " + Hex(frame.data(), frame.size()) + "\n") << std::flush;
    };
    observer.replyWritten = [](const ReplyFrame& reply, auto) {
        std::cerr << ("tx " + Hex(reply.data(), reply.size()) + "\n") << std::flush;
    };
    observer.abandonedHoldReleased = [](auto) {
        std::cerr << "released the port: a client ended without closing it\n" << std::flush;
    };
    return observer;
}

void RunCommand(NodeSim& sim, const std::string& line) {
    std::istringstream words(line);
    std::string verb;
    std::string target;
    words >> verb >> target;
    if (verb.empty()) {
        return;
    }
    if (verb != "close" || target.empty()) {
        std::cerr << "unknown command \"" << line << "\"; try: close all | close ADDRS\n";
        return;
    }
    if (target == "all") {
        sim.CloseAll();
        return;
    }
    std::string error;
    const auto addresses = ParseAddressList(target, &error);
    if (!addresses) {
        std::cerr << "close: " << error << '\n';
        return;
    }
    for (const uint8_t a : *addresses) {
        sim.Close(a);
    }
}

// False at the end of stdin or when it cannot be read.
bool ReadCommands(CommandReader& reader) {
    std::array<char, 4096> buffer{};
    const ssize_t count = read(STDIN_FILENO, buffer.data(), buffer.size());
    if (count <= 0) {
        return count < 0 && errno == EINTR;
    }
    reader.Feed({buffer.data(), static_cast<std::size_t>(count)});
    return true;
}

void RunUntilSignal(NodeSim& sim) {
    bool readingStdin = true;
    CommandReader reader(
        kMaxCommandLength, [&sim](const std::string& line) { RunCommand(sim, line); },
        [] { std::cerr << "command line too long, ignored\n"; });
    while (true) {
        std::array<pollfd, 2> fds{pollfd{g_signalPipe[0], POLLIN, 0},
                                  pollfd{STDIN_FILENO, POLLIN, 0}};
        if (poll(fds.data(), readingStdin ? 2 : 1, -1) < 0) {
            if (errno == EINTR) {
                continue;  // the signal's note is in the pipe
            }
            return;
        }
        if (fds[0].revents != 0) {
            return;
        }
        if (readingStdin && fds[1].revents != 0) {
            readingStdin = ReadCommands(reader);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (std::string error; !res::StartInChosenLanguage(argc, argv, error)) {
        std::cerr << "velkaro-nodesim: " << error << '\n';
        return 2;
    }
    CLI::App app{"Lock-control nodes answering host frames on a pseudo-terminal.",
                 "velkaro-nodesim"};
    NodeSimOptions options;
    AddNodeSimOptions(app, options);
    app.set_version_flag("--version", res::kVersionText);
    CLI11_PARSE(app, argc, argv);

    EnsureStandardDescriptors();
    if (!InstallSignalHandlers()) {
        std::perror("velkaro-nodesim: pipe");
        return 1;
    }
    std::string error;
    auto sim = NodeSim::Start(options.config,
                              options.verbose ? VerboseObserver() : NodeSimObserver{}, &error);
    if (!sim) {
        std::cerr << "velkaro-nodesim: " << error << '\n';
        return 1;
    }
    if (!sim->RegistrationProblem().empty()) {
        std::cerr << "velkaro-nodesim: warning: the port is not listed among the serial ports: "
                  << sim->RegistrationProblem() << '\n';
    }
    std::cout << sim->PortPath() << std::endl;
    RunUntilSignal(*sim);
    sim->Stop();
    return 0;
}
