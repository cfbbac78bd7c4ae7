#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "serial/serial.h"
#include "serial/serial_test_support.h"
#include "serial/testing/interactive_terminal.h"

namespace {

using std::chrono::milliseconds;

class SerialOpenTest : public ::testing::Test {
  protected:
    // "/dev/" + slashes + "pts/N": the pty's path padded to `length` characters.
    std::string PaddedPath(std::size_t length) const {
        const std::string tail = m_pty.SlavePath().substr(5);
        return "/dev/" + std::string(length - 5 - tail.size(), '/') + tail;
    }

    // True when the port takes bytes both ways through `handle`.
    bool CarriesBytes(SerialHandle handle) {
        const uint8_t out[] = {'p', 'i', 'n', 'g'};
        if (SerialWrite(handle, out, 4) != 4 || m_pty.Receive(4, milliseconds(2000)) != "ping") {
            return false;
        }
        m_pty.Send("pong");
        uint8_t in[4] = {};
        return SerialRead(handle, in, 4) == 4 && std::string(in, in + 4) == "pong";
    }

    static bool HeldExclusively(int fd) {
        int exclusive = 0;
        return ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
    }

    PtyPair m_pty;
};

TEST_F(SerialOpenTest, NamesOfNoUsablePortGiveMinusOneAndLeaveNothingOpen) {
    TempDir dir;
    const std::string regularFile = dir.Path() + "/not-a-port";
    std::ofstream(regularFile) << "data";
    const struct {
        const char* label;
        std::string name;
    } cases[] = {
        {"empty name", ""},
        {"no such port", "ttyVelkaroNoSuchPort"},
        {"no such absolute path", "/dev/ttyVelkaroNoSuchPort"},
        {"not a terminal", "/dev/null"},
        {"bare name of no terminal", "null"},
        {"regular file", regularFile},
        {"name over 254 characters", PaddedPath(255)},
        {"NUL inside the name", m_pty.SlavePath() + std::string(1, '\0') + "x"},
    };
    for (const auto& c : cases) {
        const int fdsBefore = OpenFdCount();
        EXPECT_EQ(OpenLine(c.name), kInvalidSerialHandle) << c.label;
        EXPECT_EQ(OpenFdCount(), fdsBefore) << c.label;
    }
}

// Reports every open of anything inside one folder, the folder itself included.
class OpenWatch {
  public:
    explicit OpenWatch(const std::string& folder) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(m_fd, folder.c_str(), IN_OPEN);
    }
    ~OpenWatch() { close(m_fd); }
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

    // True when anything was opened since the last call.
    bool SawOpen() {
        alignas(inotify_event) char events[4096];
        bool opened = false;
        while (read(m_fd, events, sizeof events) > 0) {
            opened = true;
        }
        return opened;
    }

  private:
    int m_fd;
};

// A name is a serial device, never a file: whoever runs the program (as root, say) must not be
// able to make it open a file, a folder or a FIFO for writing.
TEST_F(SerialOpenTest, NamesOfFilesAreRefusedWithoutBeingOpened) {
    TempDir dir;
    const std::string file = dir.Path() + "/settings.ini";
    std::ofstream(file) << "data";
    const std::string folder = dir.Path() + "/folder";
    const std::string fifo = dir.Path() + "/fifo";
    const std::string linkToFile = dir.Path() + "/link-to-file";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink(file, linkToFile);
    OpenWatch watch(dir.Path());
    ASSERT_FALSE(watch.SawOpen());
    const struct {
        const char* label;
        std::string name;
    } cases[] = {
        {"regular file", file},
        {"folder", folder},
        {"the temporary folder itself", dir.Path()},
        {"FIFO", fifo},
        {"link to a regular file", linkToFile},
        {"relative path out of /dev to a file", "../" + file.substr(1)},
        {"relative path out of /dev to a FIFO", ".." + fifo},
    };
    for (const auto& c : cases) {
        const int fdsBefore = OpenFdCount();
        EXPECT_EQ(OpenLine(c.name), kInvalidSerialHandle) << c.label;
        EXPECT_EQ(OpenFdCount(), fdsBefore) << c.label;
        EXPECT_FALSE(watch.SawOpen()) << c.label << " was opened";
    }
    std::ifstream(file).get();
    EXPECT_TRUE(watch.SawOpen()) << "the watch sees opens";
}

// A link to the device, as in /dev/serial/by-id/, opens the device.
TEST_F(SerialOpenTest, BareNameOpensInDevAndAbsolutePathOrLinkAsItStands) {
    TempDir dir;
    const std::string byId = dir.Path() + "/usb-RS485_adapter-if00-port0";
    std::filesystem::create_symlink(m_pty.SlavePath(), byId);
    for (const std::string& name :
         {m_pty.SlavePath().substr(5), m_pty.SlavePath(), PaddedPath(254), byId}) {
        const SerialHandle handle = OpenLine(name);
        ASSERT_NE(handle, kInvalidSerialHandle) << name;
        EXPECT_TRUE(CarriesBytes(handle)) << name;
        EXPECT_TRUE(SerialClose(handle));
    }
}

TEST_F(SerialOpenTest, OpensRawAtTheGivenLineWithoutFlowControl) {
    const struct {
        uint32_t baud;
        uint8_t stopBits;
        speed_t speed;
        bool twoStopBits;
    } cases[] = {{115200, kSerialOneStopBit, B115200, false}, {9600, 2, B9600, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.baud);
        const SerialHandle handle = SerialOpen(m_pty.SlavePath(), c.baud, 8, 0, c.stopBits);
        ASSERT_NE(handle, kInvalidSerialHandle);
        termios line{};
        ASSERT_EQ(tcgetattr(handle, &line), 0);
        EXPECT_EQ(cfgetispeed(&line), c.speed);
        EXPECT_EQ(cfgetospeed(&line), c.speed);
        EXPECT_EQ(line.c_cflag & CSIZE, tcflag_t{CS8});
        EXPECT_EQ((line.c_cflag & CSTOPB) != 0, c.twoStopBits);
        EXPECT_EQ(line.c_cflag & (PARENB | CRTSCTS), 0u);
        EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), tcflag_t{CLOCAL | CREAD});
        EXPECT_EQ(line.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
        EXPECT_EQ(line.c_oflag & OPOST, 0u);
        EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
        EXPECT_EQ(SerialBytesWaiting(handle), 0u);
        EXPECT_TRUE(SerialClose(handle));
    }
}

TEST_F(SerialOpenTest, BytesThatArrivedBeforeTheOpenAreDiscarded) {
    m_pty.Send("stale");
    const SerialHandle handle = OpenLine(m_pty.SlavePath());
    ASSERT_NE(handle, kInvalidSerialHandle);
    EXPECT_EQ(SerialBytesWaiting(handle), 0u);
    SerialClose(handle);
}

// Settings the code cannot express, and settings a pseudo-terminal accepts but does not
// keep (it stays at 8 bits without parity): either way the port is closed again and opens
// normally afterwards.
TEST_F(SerialOpenTest, RefusedLineSettingsGiveMinusOneAndLeaveThePortFree) {
    const struct {
        const char* label;
        uint32_t baud;
        uint8_t byteSize;
        uint8_t parity;
        uint8_t stopBits;
    } cases[] = {
        {"baud rate without a termios speed", 12345, 8, 0, 0},
        {"4 data bits", 115200, 4, 0, 0},
        {"9 data bits", 115200, 9, 0, 0},
        {"mark parity", 115200, 8, 3, 0},
        {"one and a half stop bits", 115200, 8, 0, 1},
        {"7 data bits, not kept by the device", 115200, 7, 0, 0},
        {"even parity, not kept by the device", 115200, 8, 2, 0},
        {"odd parity, not kept by the device", 115200, 8, 1, 0},
    };
    for (const auto& c : cases) {
        const int fdsBefore = OpenFdCount();
        EXPECT_EQ(SerialOpen(m_pty.SlavePath(), c.baud, c.byteSize, c.parity, c.stopBits),
                  kInvalidSerialHandle)
            << c.label;
        EXPECT_EQ(OpenFdCount(), fdsBefore) << c.label;
        const SerialHandle handle = OpenLine(m_pty.SlavePath());
        EXPECT_NE(handle, kInvalidSerialHandle) << c.label;
        SerialClose(handle);
    }
}

TEST_F(SerialOpenTest, PortOpenHereOrInAnotherProcessIsRefusedAndTheOpenOneUndisturbed) {
    const SerialHandle handle = OpenLine(m_pty.SlavePath());
    ASSERT_NE(handle, kInvalidSerialHandle);
    const int fdsBefore = OpenFdCount();

    EXPECT_EQ(OpenLine(m_pty.SlavePath()), kInvalidSerialHandle);
    EXPECT_EQ(OpenLine(m_pty.SlavePath().substr(5)), kInvalidSerialHandle);
    EXPECT_EQ(OpenFdCount(), fdsBefore);
    // The refused attempts above must not have released the first opener's hold on the port.
    const std::string path = m_pty.SlavePath();
    EXPECT_EQ(RunInChild([&] { return OpenLine(path) == kInvalidSerialHandle ? 0 : 1; }), 0);

    EXPECT_TRUE(HeldExclusively(handle));
    EXPECT_TRUE(CarriesBytes(handle));
    SerialClose(handle);
}

// Other programs keep a port to themselves with TIOCEXCL (which does not stop root) or with
// an exclusive flock; either hold is respected and left as it was.
TEST_F(SerialOpenTest, PortAnotherProgramHoldsIsRefused) {
    const struct {
        const char* label;
        std::function<bool(int)> hold;
        std::function<bool(int)> stillHeld;
    } holds[] = {
        {"TIOCEXCL", [](int fd) { return ioctl(fd, TIOCEXCL) == 0; }, HeldExclusively},
        {"flock", [](int fd) { return flock(fd, LOCK_EX | LOCK_NB) == 0; },
         [this](int) {
             const std::string path = m_pty.SlavePath();
             return RunInChild([&] {
                        const int probe = open(path.c_str(), O_RDWR | O_NOCTTY);
                        return probe >= 0 && flock(probe, LOCK_EX | LOCK_NB) != 0 ? 0 : 1;
                    }) == 0;
         }},
    };
    for (const auto& h : holds) {
        const int other = open(m_pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(other, 0);
        ASSERT_TRUE(h.hold(other)) << h.label;
        EXPECT_EQ(OpenLine(m_pty.SlavePath()), kInvalidSerialHandle) << h.label;
        EXPECT_TRUE(h.stillHeld(other)) << h.label;
        ioctl(other, TIOCNXCL);
        close(other);
    }
}

bool SameSettings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::equal(std::begin(a.c_cc), std::end(a.c_cc), b.c_cc) &&
           cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
}

// A terminal used as a port (/dev/tty, a console) must not be left raw, whether the open
// succeeded or the device refused the line settings.
TEST_F(SerialOpenTest, ClosePutsBackTheSettingsTheTerminalHadBefore) {
    const int probe = open(m_pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(probe, 0);
    const std::optional<termios> interactive = MakeInteractive(probe, B9600);
    ASSERT_TRUE(interactive.has_value());
    const termios before = *interactive;
    const struct {
        const char* label;
        uint8_t byteSize;
    } cases[] = {{"opened and closed", 8}, {"7 data bits, refused", 7}};
    for (const auto& c : cases) {
        const SerialHandle handle = SerialOpen(m_pty.SlavePath(), 115200, c.byteSize, 0, 0);
        if (handle != kInvalidSerialHandle) {
            termios during{};
            ASSERT_EQ(tcgetattr(probe, &during), 0);
            EXPECT_FALSE(SameSettings(before, during)) << c.label;
            SerialClose(handle);
        }
        termios after{};
        ASSERT_EQ(tcgetattr(probe, &after), 0);
        EXPECT_TRUE(SameSettings(before, after)) << c.label;
    }
    close(probe);
}

TEST_F(SerialOpenTest, CloseReleasesThePort) {
    const SerialHandle handle = OpenLine(m_pty.SlavePath());
    ASSERT_NE(handle, kInvalidSerialHandle);
    EXPECT_TRUE(SerialClose(handle));

    const int probe = open(m_pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(probe, 0);
    EXPECT_FALSE(HeldExclusively(probe));
    close(probe);
    const std::string path = m_pty.SlavePath();
    EXPECT_EQ(RunInChild([&] {
                  const SerialHandle again = OpenLine(path);
                  return again != kInvalidSerialHandle && SerialClose(again) ? 0 : 1;
              }),
              0);
}

}  // namespace
