#include "nodesim/pseudo_terminal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

bool Fail(std::string* error, const std::string& what) {
    if (error != nullptr) {
        *error = what + ": " + std::strerror(errno);
    }
    return false;
}

bool SetFlags(int fd, int statusFlags) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | statusFlags) == 0 &&
           fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

bool MakeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return false;
    }
    cfmakeraw(&settings);
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

}  // namespace

bool PseudoTerminal::Open(std::string* error) {
    Close();
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) {
        return Fail(error, "posix_openpt");
    }
    std::array<char, 128> path{};
    if (!SetFlags(m_master, O_NONBLOCK) || grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
        ptsname_r(m_master, path.data(), path.size()) != 0) {
        Fail(error, "pseudo-terminal master");
        Close();
        return false;
    }
    m_slavePath = path.data();
    m_slave = open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0 || !MakeRaw(m_slave)) {
        Fail(error, m_slavePath);
        Close();
        return false;
    }
    // Watched before anyone learns the path, so that no client's close goes unseen.
    m_closeEvents = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_closeEvents < 0 || inotify_add_watch(m_closeEvents, m_slavePath.c_str(), IN_CLOSE) < 0) {
        Fail(error, "inotify on " + m_slavePath);
        Close();
        return false;
    }
    return true;
}

// A client takes an exclusive flock before it sets the exclusive flag and clears the flag
// before its close drops the flock; so the flag set with no flock held means its holder is
// gone, and nobody can have opened the port since (the flag keeps them out). Programs that set
// the flag without a flock are not told apart from a dead holder.
bool PseudoTerminal::ReleaseAbandonedHold() {
    std::array<char, 4096> events{};
    while (read(m_closeEvents, events.data(), events.size()) > 0) {
    }
    int exclusive = 0;
    if (ioctl(m_slave, TIOCGEXCL, &exclusive) != 0 || exclusive == 0 ||
        flock(m_slave, LOCK_EX | LOCK_NB) != 0) {
        return false;
    }
    ioctl(m_slave, TIOCNXCL);
    flock(m_slave, LOCK_UN);
    return true;
}

void PseudoTerminal::Close() {
    for (int* fd : {&m_closeEvents, &m_slave, &m_master}) {
        if (*fd >= 0) {
            close(*fd);
            *fd = -1;
        }
    }
}
