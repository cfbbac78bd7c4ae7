#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <vector>

#include "serial/serial.h"
#include "serial/serial_enum_linux.h"
#include "serial/serial_os.h"
#include "serial/serial_test_support.h"
#include "serial/virtual_port.h"

namespace {

namespace fs = std::filesystem;

const std::string kUntouched = "untouched";

// A sysfs tree the way the kernel lays it out: class/tty/<name> links into devices/, and a
// port's tty has a `device` link (and a UART's a `type` file).
class FakeSysfs {
  public:
    const std::string& Root() const { return m_root.Path(); }

    void AddPort(const std::string& name, std::optional<int> uartType = std::nullopt) {
        const fs::path tty = AddTty(name);
        fs::create_directory_symlink("../..", tty / "device");
        if (uartType) {
            std::ofstream(tty / "type") << *uartType << "\n";
        }
    }

    // A tty with no device behind it, such as a virtual console.
    fs::path AddTty(const std::string& name) {
        const fs::path tty = DevicePathOf(name);
        fs::create_directories(tty);
        fs::create_directories(fs::path(Root()) / "class/tty");
        fs::create_directory_symlink("../../devices/" + name + "/tty/" + name,
                                     fs::path(Root()) / "class/tty" / name);
        return tty;
    }

    std::string DevicePathOf(const std::string& name) const {
        return fs::canonical(Root()).string() + "/devices/" + name + "/tty/" + name;
    }

  private:
    TempDir m_root;
};

std::vector<std::string> PortNames(const std::vector<PortListEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        names.push_back(entry.portName);
    }
    return names;
}

std::size_t FileCount(const std::string& dir) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(SysfsPortsTest, ListsDeviceBackedTtysInNaturalOrderWithoutUnusedUartSlots) {
    FakeSysfs sysfs;
    for (const char* name : {"ttyS10", "ttyUSB1", "ttyS2", "ttyACM0", "ttyS1", "ttyUSB0"}) {
        sysfs.AddPort(name, name[3] == 'S' ? std::optional<int>(4) : std::nullopt);
    }
    sysfs.AddPort("ttyS0", 0);
    sysfs.AddPort("ttyS3", 0);
    sysfs.AddTty("tty0");
    sysfs.AddTty("console");

    const std::vector<PortListEntry> ports = ListSysfsPorts(sysfs.Root());
    EXPECT_EQ(PortNames(ports), (std::vector<std::string>{"ttyACM0", "ttyS1", "ttyS2", "ttyS10",
                                                          "ttyUSB0", "ttyUSB1"}));
    ASSERT_FALSE(ports.empty());
    EXPECT_EQ(ports[0].deviceName, sysfs.DevicePathOf("ttyACM0"));
}

class PortListTest : public ::testing::Test {
  protected:
    // Two machine ports and two virtual ones.
    void AddFourPorts() {
        m_sysfs.AddPort("ttyS0", 4);
        m_sysfs.AddPort("ttyUSB0");
        m_virtual.emplace_back(std::make_unique<VirtualPortRegistration>("sim-b", "/dev/pts/41"));
        m_virtual.emplace_back(std::make_unique<VirtualPortRegistration>("sim-a", "/dev/pts/40"));
    }

    int32_t Enum(std::string* deviceNames, std::string* portNames, uint32_t limit) {
        return EnumPortsFrom(m_sysfs.Root(), m_registry.Path(), deviceNames, portNames, limit);
    }

    FakeSysfs m_sysfs;
    ScopedRegistry m_registry;
    std::vector<std::unique_ptr<VirtualPortRegistration>> m_virtual;
};

TEST_F(PortListTest, MissingFoldersGiveNoEntriesAndLeaveTheArraysAlone) {
    std::string deviceNames[2] = {kUntouched, kUntouched};
    std::string portNames[2] = {kUntouched, kUntouched};
    EXPECT_EQ(EnumPortsFrom(m_sysfs.Root() + "/none", m_registry.Path() + "/none", deviceNames,
                            portNames, 2),
              0);
    EXPECT_EQ(deviceNames[0], kUntouched);
    EXPECT_EQ(portNames[0], kUntouched);
}

TEST_F(PortListTest, LimitAndArraysRules) {
    AddFourPorts();
    const std::vector<std::string> allPorts = {"/dev/pts/41", "/dev/pts/40", "ttyS0", "ttyUSB0"};
    const std::vector<std::string> allDevices = {"sim-b", "sim-a", m_sysfs.DevicePathOf("ttyS0"),
                                                 m_sysfs.DevicePathOf("ttyUSB0")};
    const struct {
        uint32_t limit;
        bool withArrays;
        int32_t expected;
    } cases[] = {{0, true, 0},    {4, true, 4},  {256, true, 4}, {3, true, 3},
                 {256, false, 4}, {2, false, 2}, {0, false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "limit " << c.limit << " arrays " << c.withArrays);
        std::vector<std::string> deviceNames(5, kUntouched);
        std::vector<std::string> portNames(5, kUntouched);
        EXPECT_EQ(Enum(c.withArrays ? deviceNames.data() : nullptr,
                       c.withArrays ? portNames.data() : nullptr, c.limit),
                  c.expected);
        for (std::size_t i = 0; i < 5; ++i) {
            const bool filled = c.withArrays && i < static_cast<std::size_t>(c.expected);
            EXPECT_EQ(portNames[i], filled ? allPorts[i] : kUntouched) << i;
            EXPECT_EQ(deviceNames[i], filled ? allDevices[i] : kUntouched) << i;
        }
    }
}

TEST_F(PortListTest, PortNamesSerialOpenCanTakeAreListedWholeOthersEmpty) {
    const std::string path129 = "/dev/" + std::string(124, 'p');
    const std::string path254 = "/dev/" + std::string(249, 'q');
    const std::string path255 = "/dev/" + std::string(250, 'r');
    const std::string longDevice(300, 'd');
    for (const std::string& path : {path129, path254, path255}) {
        m_virtual.emplace_back(std::make_unique<VirtualPortRegistration>(longDevice, path));
        ASSERT_TRUE(m_virtual.back()->Registered());
    }
    std::string deviceNames[3];
    std::string portNames[3];
    ASSERT_EQ(Enum(deviceNames, portNames, 3), 3);
    EXPECT_EQ(portNames[0], path129);
    EXPECT_EQ(portNames[1], path254);
    EXPECT_EQ(portNames[2], "");
    EXPECT_EQ(deviceNames[2], longDevice);
}

TEST_F(PortListTest, RegistrationsListInRegistrationOrderWhileTheyLive) {
    for (const char* name : {"/dev/pts/3", "/dev/pts/1", "/dev/pts/2"}) {
        m_virtual.emplace_back(std::make_unique<VirtualPortRegistration>("sim", name));
    }
    EXPECT_EQ(PortNames(ListRegisteredPorts(m_registry.Path())),
              (std::vector<std::string>{"/dev/pts/3", "/dev/pts/1", "/dev/pts/2"}));
    m_virtual.erase(m_virtual.begin() + 1);
    EXPECT_EQ(PortNames(ListRegisteredPorts(m_registry.Path())),
              (std::vector<std::string>{"/dev/pts/3", "/dev/pts/2"}));
    m_virtual.clear();
    EXPECT_EQ(FileCount(m_registry.Path()), 0u);
}

// The child registers and ends without running any destructor, as a crashed simulator would.
TEST_F(PortListTest, RegistrationOfADeadProcessLeavesNoEntry) {
    m_virtual.emplace_back(std::make_unique<VirtualPortRegistration>("live", "/dev/pts/1"));
    ASSERT_EQ(RunInChild([] {
                  const auto* dead = new VirtualPortRegistration("dead", "/dev/pts/2");
                  return dead->Registered() ? 0 : 1;
              }),
              0);
    ASSERT_EQ(FileCount(m_registry.Path()), 2u);

    EXPECT_EQ(Enum(nullptr, nullptr, 0), 0);
    EXPECT_EQ(FileCount(m_registry.Path()), 2u);  // limit 0 reads nothing, so deletes nothing

    std::string portNames[4];
    EXPECT_EQ(Enum(nullptr, portNames, 4), 1);
    EXPECT_EQ(portNames[0], "/dev/pts/1");
    EXPECT_EQ(FileCount(m_registry.Path()), 1u);
}

TEST(VirtualPortRegistrationTest, CreatesAPrivateFolderAndRefusesOneOthersMayWrite) {
    TempDir parent;
    const std::string dir = parent.Path() + "/registry";
    ScopedEnv env("VELKARO_PORT_REGISTRY", dir);
    {
        VirtualPortRegistration registration("sim", "/dev/pts/5");
        EXPECT_TRUE(registration.Registered());
        EXPECT_EQ(fs::status(dir).permissions() & fs::perms::all, fs::perms::owner_all);
    }
    chmod(dir.c_str(), 0777);
    VirtualPortRegistration refused("sim", "/dev/pts/5");
    EXPECT_FALSE(refused.Registered());
    EXPECT_TRUE(ListRegisteredPorts(dir).empty());
}

// Someone else made the folder first (possible in a shared /tmp when XDG_RUNTIME_DIR is unset),
// or it lets others write: nothing is registered, and the reason says which folder.
TEST(VirtualPortRegistrationTest, RefusesAPreCreatedForeignOrOpenFolderAndSaysWhy) {
    TempDir parent;
    const std::string privateDir = parent.Path() + "/private";
    ASSERT_EQ(mkdir(privateDir.c_str(), 0700), 0);
    const struct {
        const char* label;
        std::string path;
        std::function<bool(const std::string&)> make;
    } cases[] = {
        {"owned by another user", parent.Path() + "/foreign",
         [](const std::string& path) {
             // Only root can give a folder away; others test the remaining cases.
             return geteuid() == 0 && mkdir(path.c_str(), 0700) == 0 &&
                    chown(path.c_str(), 65534, 65534) == 0;
         }},
        {"writable by the group", parent.Path() + "/group",
         [](const std::string& path) {
             return mkdir(path.c_str(), 0700) == 0 && chmod(path.c_str(), 0770) == 0;
         }},
        {"a link to a private folder", parent.Path() + "/link",
         [&](const std::string& path) { return symlink(privateDir.c_str(), path.c_str()) == 0; }},
    };
    for (const auto& c : cases) {
        if (!c.make(c.path)) {
            continue;
        }
        ScopedEnv env("VELKARO_PORT_REGISTRY", c.path);
        const VirtualPortRegistration refused("sim", "/dev/pts/5");
        EXPECT_FALSE(refused.Registered()) << c.label;
        EXPECT_NE(refused.Problem().find(c.path), std::string::npos) << c.label;
        EXPECT_TRUE(ListRegisteredPorts(c.path).empty()) << c.label;
    }
    ScopedEnv env("VELKARO_PORT_REGISTRY", privateDir);
    const VirtualPortRegistration accepted("sim", "/dev/pts/5");
    EXPECT_TRUE(accepted.Registered());
    EXPECT_EQ(accepted.Problem(), "");
}

TEST(VirtualPortRegistrationTest, RefusesNamesThatSpanLines) {
    ScopedRegistry registry;
    EXPECT_FALSE(VirtualPortRegistration("sim\nx", "/dev/pts/5").Registered());
    EXPECT_FALSE(VirtualPortRegistration("sim", "/dev/pts/5\n").Registered());
    EXPECT_EQ(FileCount(registry.Path()), 0u);
}

TEST(VirtualPortRegistrationTest, RegistryFolderComesFromTheEnvironment) {
    const std::string fallback = "/tmp/velkaro-ports-" + std::to_string(getuid());
    const struct {
        std::optional<std::string> registry;
        std::optional<std::string> runtime;
        std::string expected;
    } cases[] = {
        {"/x/registry", "/run/user/7", "/x/registry"},
        {std::nullopt, "/run/user/7", "/run/user/7/velkaro-ports"},
        {"", "/run/user/7", "/run/user/7/velkaro-ports"},
        {std::nullopt, std::nullopt, fallback},
        {std::nullopt, "", fallback},
    };
    for (const auto& c : cases) {
        ScopedEnv registry("VELKARO_PORT_REGISTRY", c.registry);
        ScopedEnv runtime("XDG_RUNTIME_DIR", c.runtime);
        EXPECT_EQ(VirtualPortRegistryDir(), c.expected);
    }
}

TEST(SerialEnumPortsTest, ListsRegisteredPortsBeforeTheMachinesOwn) {
    ScopedRegistry registry;
    VirtualPortRegistration registration("Velkaro node simulator", "/dev/pts/77");
    ASSERT_TRUE(registration.Registered());
    std::vector<std::string> deviceNames(256);
    std::vector<std::string> portNames(256);
    const int32_t count = SerialEnumPorts(deviceNames.data(), portNames.data(), 256);
    const auto machinePorts = ListSysfsPorts("/sys");
    ASSERT_EQ(count, static_cast<int32_t>(machinePorts.size() + 1));
    EXPECT_EQ(portNames[0], "/dev/pts/77");
    EXPECT_EQ(deviceNames[0], "Velkaro node simulator");
    EXPECT_EQ(std::vector<std::string>(portNames.begin() + 1, portNames.begin() + count),
              PortNames(machinePorts));
}

TEST(PortNameTest, UsableNamesHaveOneTo254CharactersAndNoNul) {
    const std::string e = "\xC3\xA9";  // one character, two bytes
    std::string e254;
    std::string e255;
    for (int i = 0; i < 254; ++i) {
        e254 += e;
    }
    e255 = e254 + e;
    const struct {
        std::string name;
        bool usable;
    } cases[] = {
        {"", false},
        {"ttyUSB0", true},
        {e254, true},
        {e255, false},
        {std::string(254, 'a'), true},
        {std::string(255, 'a'), false},
        {std::string("tty\0S0", 6), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PortNameUsable(c.name), c.usable) << c.name.size() << " bytes";
    }
}

}  // namespace
