// The port list's watch on Linux: a libudev monitor and an inotify watch on the virtual-port
// registry, joined in one epoll descriptor for the event loop.
#include <libudev.h>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <string_view>

#include "serial/port_watch.h"
#include "serial/virtual_port.h"

namespace {

// udevd passes events on once it has made the device's node and links; without udevd (a
// container, a minimal VM) the kernel's own events are all there is.
const char* DeviceEventSource() {
    return access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel";
}

bool IsRegistryEntry(std::string_view name) {
    constexpr std::string_view kEntrySuffix = ".port";
    return name.size() >= kEntrySuffix.size() &&
           name.substr(name.size() - kEntrySuffix.size()) == kEntrySuffix;
}

}  // namespace

struct PortListWatch::Sources {
    int epoll = -1;
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    int inotify = -1;

    ~Sources() {
        if (monitor != nullptr) {
            udev_monitor_unref(monitor);
        }
        if (context != nullptr) {
            udev_unref(context);
        }
        if (inotify >= 0) {
            close(inotify);
        }
        if (epoll >= 0) {
            close(epoll);
        }
    }

    bool Add(int fd) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.fd = fd;
        return epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event) == 0;
    }

    void WatchDevices() {
        context = udev_new();
        if (context == nullptr) {
            return;
        }
        monitor = udev_monitor_new_from_netlink(context, DeviceEventSource());
        if (monitor == nullptr ||
            udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor) < 0 || !Add(udev_monitor_get_fd(monitor))) {
            udev_monitor_unref(monitor);
            monitor = nullptr;
        }
    }

    // An entry moved in is a port registered; one deleted, or closed by its owner (who died
    // without unregistering), a port gone. The list's own reads open entries read-only, which
    // raises none of these.
    void WatchRegistry() {
        if (!EnsureVirtualPortRegistryDir().empty()) {
            return;
        }
        inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (inotify < 0 ||
            inotify_add_watch(inotify, VirtualPortRegistryDir().c_str(),
                              IN_MOVED_TO | IN_DELETE | IN_CLOSE_WRITE) < 0 ||
            !Add(inotify)) {
            close(inotify);
            inotify = -1;
        }
    }

    void TakeDeviceEvents(PortListChanges& changes) {
        while (udev_device* device = udev_monitor_receive_device(monitor)) {
            const char* action = udev_device_get_action(device);
            if (action != nullptr && std::strcmp(action, "add") == 0) {
                changes.arrival = true;
            } else if (action != nullptr && std::strcmp(action, "remove") == 0) {
                changes.removal = true;
            }
            udev_device_unref(device);
        }
    }

    void TakeRegistryEvents(PortListChanges& changes) {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t length = read(inotify, buffer, sizeof buffer);
            if (length <= 0) {
                return;
            }
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && IsRegistryEntry(event->name)) {
                    (event->mask & IN_MOVED_TO ? changes.arrival : changes.removal) = true;
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }
};

PortListWatch::PortListWatch() : m_sources(std::make_unique<Sources>()) {
    m_sources->epoll = epoll_create1(EPOLL_CLOEXEC);
    if (m_sources->epoll < 0) {
        return;
    }
    m_sources->WatchDevices();
    m_sources->WatchRegistry();
    if (m_sources->monitor == nullptr && m_sources->inotify < 0) {
        close(m_sources->epoll);
        m_sources->epoll = -1;
    }
}

PortListWatch::~PortListWatch() = default;

int PortListWatch::Descriptor() const {
    return m_sources->epoll;
}

PortListChanges PortListWatch::TakeChanges() {
    PortListChanges changes;
    if (m_sources->epoll < 0) {
        return changes;
    }
    // The epoll descriptor stays readable until its sources are drained.
    epoll_event events[2];
    while (epoll_wait(m_sources->epoll, events, 2, 0) > 0) {
        if (m_sources->monitor != nullptr) {
            m_sources->TakeDeviceEvents(changes);
        }
        if (m_sources->inotify >= 0) {
            m_sources->TakeRegistryEvents(changes);
        }
    }
    return changes;
}
