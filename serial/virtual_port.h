// Virtual ports (a node simulator's pseudo-terminal) register here so that the port list
// shows them, the way virtual-port drivers add themselves to the system's serial port list.
// An entry lives as long as its registration object: a process that dies leaves none.
#pragma once

#include <string>

class VirtualPortRegistration {
  public:
    // deviceName is what the port list reports as the driver's name; portName what
    // SerialOpen takes (normally the pseudo-terminal's path).
    VirtualPortRegistration(const std::string& deviceName, const std::string& portName);
    ~VirtualPortRegistration();
    VirtualPortRegistration(const VirtualPortRegistration&) = delete;
    VirtualPortRegistration& operator=(const VirtualPortRegistration&) = delete;

    bool Registered() const { return m_fd >= 0; }
    // Why the port is not registered, for a warning; empty when it is.
    const std::string& Problem() const { return m_problem; }

  private:
    int m_fd = -1;
    std::string m_entryPath;
    std::string m_problem;
};

// The folder of the entries: $VELKARO_PORT_REGISTRY, else $XDG_RUNTIME_DIR/velkaro-ports,
// else /tmp/velkaro-ports-<uid>. Whichever it is, it is used only as a folder of this user's
// that nobody else may write to (created with mode 0700 when missing): in a shared /tmp someone
// else could have made it first.
std::string VirtualPortRegistryDir();
// Creates that folder when missing, so that it can be watched before any port registers.
// Empty when it is a folder as described; otherwise what is wrong with it.
std::string EnsureVirtualPortRegistryDir();
