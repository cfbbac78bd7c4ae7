// A pseudo-terminal whose slave end a client opens as its serial port.
#pragma once

#include <string>

class PseudoTerminal {
  public:
    PseudoTerminal() = default;
    ~PseudoTerminal() { Close(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Opens a non-blocking master and a raw slave; false with the reason in *error.
    bool Open(std::string* error);
    // Hangs up: a client on the slave sees POLLHUP.
    void Close();

    bool IsOpen() const { return m_master >= 0; }
    int Master() const { return m_master; }
    // Readable when a client has closed the slave (its process may have died).
    int CloseEvents() const { return m_closeEvents; }
    // Takes the close events, then clears the exclusive flag if a client left it set when it
    // ended without closing the port (killed, say), so that the port opens again. True if it
    // did.
    bool ReleaseAbandonedHold();
    const std::string& SlavePath() const { return m_slavePath; }

  private:
    int m_master = -1;
    // Kept open so that the master reads no EIO while no client has the slave open, and so that
    // the line is raw (no echo) before a client configures it.
    int m_slave = -1;
    std::string m_slavePath;
    int m_closeEvents = -1;  // inotify, watching the slave for closes
};
