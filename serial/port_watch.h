// Tells a window's event loop, without polling, when serial ports may have come or gone.
#pragma once

#include <memory>

// What a batch of events says about the port list.
struct PortListChanges {
    bool arrival = false;  // a port may have appeared
    bool removal = false;  // a port may have gone
};

// On Linux: the kernel's device events of the tty subsystem (an adapter plugged in or pulled
// out) and the virtual-port registry (a simulator started or gone). The event loop waits for
// Descriptor() to turn readable and then calls TakeChanges(). Windows tells its top-level
// windows itself (WM_DEVICECHANGE), so there is no such watch there.
class PortListWatch {
  public:
    PortListWatch();
    ~PortListWatch();
    PortListWatch(const PortListWatch&) = delete;
    PortListWatch& operator=(const PortListWatch&) = delete;

    // -1 when neither source could be watched.
    int Descriptor() const;
    // Reads every event that is waiting, without blocking.
    PortListChanges TakeChanges();

  private:
    struct Sources;
    std::unique_ptr<Sources> m_sources;
};
