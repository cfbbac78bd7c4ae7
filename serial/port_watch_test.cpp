// The port list's watch: registry entries and the kernel's device events wake its descriptor.
#include "serial/port_watch.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <thread>

#include "serial/serial.h"
#include "serial/serial_test_support.h"
#include "serial/virtual_port.h"

namespace {

using std::chrono::milliseconds;

bool TurnsReadable(const PortListWatch& watch, milliseconds within) {
    pollfd entry{watch.Descriptor(), POLLIN, 0};
    return poll(&entry, 1, static_cast<int>(within.count())) == 1;
}

class PortListWatchTest : public ::testing::Test {
  protected:
    ScopedRegistry m_registry;
    PortListWatch m_watch;
};

// A simulator registering, unregistering and dying without unregistering. A device event of
// the test below may come in too (ctest runs tests side by side), and only ever as an arrival.
TEST_F(PortListWatchTest, RegistryEntriesComingAndGoingWakeTheWatch) {
    ASSERT_GE(m_watch.Descriptor(), 0);

    auto registration = std::make_unique<VirtualPortRegistration>("sim", "/dev/pts/40");
    ASSERT_TRUE(registration->Registered()) << registration->Problem();
    ASSERT_TRUE(TurnsReadable(m_watch, milliseconds(1000)));
    EXPECT_TRUE(m_watch.TakeChanges().arrival);

    std::string names[4];
    SerialEnumPorts(nullptr, names, 4);
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_FALSE(m_watch.TakeChanges().removal) << "listing the ports is no change";

    registration.reset();
    ASSERT_TRUE(TurnsReadable(m_watch, milliseconds(1000)));
    EXPECT_TRUE(m_watch.TakeChanges().removal);

    // The entry of a process that died stays behind, but its close is seen.
    EXPECT_EQ(RunInChild([] {
                  new VirtualPortRegistration("dead", "/dev/pts/41");
                  return 0;
              }),
              0);
    ASSERT_TRUE(TurnsReadable(m_watch, milliseconds(1000)));
    const PortListChanges changes = m_watch.TakeChanges();
    EXPECT_TRUE(changes.arrival && changes.removal);
    EXPECT_FALSE(TurnsReadable(m_watch, milliseconds(0))) << "every event was taken";
}

// The kernel's event of a tty being added, as plugging an adapter raises it; writing "add" to a
// device's uevent file replays that event (root only).
TEST_F(PortListWatchTest, ADeviceEventOfTheTtySubsystemWakesTheWatch) {
    const std::string uevent = "/sys/class/tty/ttyS0/uevent";
    if (geteuid() != 0 || access(uevent.c_str(), W_OK) != 0) {
        GTEST_SKIP() << "replaying a device event needs root and " << uevent;
    }
    ASSERT_GE(m_watch.Descriptor(), 0);
    std::ofstream(uevent) << "add\n";

    ASSERT_TRUE(TurnsReadable(m_watch, milliseconds(1000)))
        << "no device event arrived (is the kernel's uevent netlink available?)";
    const PortListChanges changes = m_watch.TakeChanges();
    EXPECT_TRUE(changes.arrival);
    EXPECT_FALSE(changes.removal);
}

}  // namespace
