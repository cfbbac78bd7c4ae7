// The runtime folder that Qt expects in $XDG_RUNTIME_DIR. Started without a login session (root
// in a bare shell, a service) the variable is unset and Qt warns on stderr; the window then
// makes a private folder of its own for the run.
#pragma once

#include <string>

class PrivateRuntimeDir {
  public:
    // With $XDG_RUNTIME_DIR unset or empty: makes a folder only this user may enter and names it
    // there. The port registry stays where the simulators, which lack it too, look for it.
    PrivateRuntimeDir();
    // Removes the folder it made, with whatever the run left in it.
    ~PrivateRuntimeDir();
    PrivateRuntimeDir(const PrivateRuntimeDir&) = delete;
    PrivateRuntimeDir& operator=(const PrivateRuntimeDir&) = delete;

  private:
    std::string m_path;  // empty: the environment had one
};
