// The operator's stop from outside the program, one implementation per OS.
#pragma once

#include <functional>
#include <memory>
#include <string>

// While it lives, the operator's stop from outside the program (Ctrl-C, SIGTERM) calls onStop
// once per stop, on a thread of the watch's own, with the exit status it calls for (130, 143)
// and a one-line reason. A second Ctrl-C ends the process at once, as without the watch.
class StopSignalWatch {
  public:
    explicit StopSignalWatch(std::function<void(int exitStatus, const std::string& reason)> onStop);
    ~StopSignalWatch();
    StopSignalWatch(const StopSignalWatch&) = delete;
    StopSignalWatch& operator=(const StopSignalWatch&) = delete;

  private:
    struct State;
    std::unique_ptr<State> m_state;
};
