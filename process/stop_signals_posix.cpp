// Stop signals through a self-pipe: the handler only writes the signal's number, and a thread
// of the watch turns it into the stop.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "process/stop_signals.h"

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM};
constexpr unsigned char kEndWatch = 0;

int g_signalPipeWriter = -1;

extern "C" void OnStopSignal(int signalNumber) {
    const int savedErrno = errno;
    const auto note = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const auto ignored = write(g_signalPipeWriter, &note, 1);
    errno = savedErrno;
}

std::string ReasonFor(int signalNumber) {
    return signalNumber == SIGINT ? "stopped by SIGINT (Ctrl-C)" : "stopped by SIGTERM";
}

}  // namespace

struct StopSignalWatch::State {
    int pipe[2] = {-1, -1};
    struct sigaction previous[2]{};
    std::thread thread;
};

StopSignalWatch::StopSignalWatch(
    std::function<void(int exitStatus, const std::string& reason)> onStop)
    : m_state(std::make_unique<State>()) {
    if (pipe2(m_state->pipe, O_CLOEXEC) != 0) {
        return;  // no watch: the signals keep their default action
    }
    g_signalPipeWriter = m_state->pipe[1];
    m_state->thread = std::thread([reader = m_state->pipe[0], onStop = std::move(onStop)] {
        for (;;) {
            unsigned char note = kEndWatch;
            const ssize_t n = read(reader, &note, 1);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n != 1 || note == kEndWatch) {
                return;
            }
            onStop(128 + note, ReasonFor(note));
        }
    });
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: the stop takes its time (a transaction ends, the port closes); a second
    // Ctrl-C from an impatient operator ends the process at once.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int i = 0; i < 2; ++i) {
        sigaction(kStopSignals[i], &action, &m_state->previous[i]);
    }
}

StopSignalWatch::~StopSignalWatch() {
    if (m_state->thread.joinable()) {
        for (int i = 0; i < 2; ++i) {
            sigaction(kStopSignals[i], &m_state->previous[i], nullptr);
        }
        [[maybe_unused]] const auto ignored = write(m_state->pipe[1], &kEndWatch, 1);
        m_state->thread.join();
        g_signalPipeWriter = -1;
        close(m_state->pipe[0]);
        close(m_state->pipe[1]);
    }
}
