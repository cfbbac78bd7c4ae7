#include "nodesim/pseudo_terminal.h"

#include <fcntl.h>
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
    return true;
}

void PseudoTerminal::Close() {
    for (int* fd : {&m_slave, &m_master}) {
        if (*fd >= 0) {
            close(*fd);
            *fd = -1;
        }
    }
}
