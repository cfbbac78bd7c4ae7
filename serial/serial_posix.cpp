// The serial link on a POSIX terminal device.
//
// The descriptor stays non-blocking for its whole life: every call below waits with poll()
// against its own deadline, so a stalled device can hold a write no longer than its limit.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "serial/serial.h"
#include "serial/serial_error.h"
#include "serial/serial_os.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A read gives up when this long passes between two bytes; reads and writes of n bytes
// also give up after n times this plus this.
constexpr milliseconds kIoLimit{2000};

Clock::time_point TransferDeadline(uint32_t count) {
    return Clock::now() + kIoLimit * (static_cast<int64_t>(count) + 1);
}

// Input: no break, CR/LF, parity-mark or flow-control processing. INPCK is on whatever the
// parity: a byte with a parity error then arrives as 0 (termios offers no other stand-in).
constexpr tcflag_t kInputCleared =
    IGNBRK | BRKINT | IGNPAR | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY;
constexpr tcflag_t kInputSet = INPCK;
constexpr tcflag_t kOutputCleared = OPOST;
constexpr tcflag_t kLocalCleared = ECHO | ECHONL | ICANON | ISIG | IEXTEN;
// The control bits decided here; HUPCL and the rest stay as the driver had them, so the
// modem lines behave on close as they always did on this port.
constexpr tcflag_t kControlDecided =
    CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CLOCAL | CREAD;

struct LineSettings {
    speed_t speed;
    tcflag_t control;  // within kControlDecided
};

std::optional<speed_t> SpeedFor(uint32_t baudRate) {
    static constexpr struct {
        uint32_t baud;
        speed_t speed;
    } kSpeeds[] = {
        {50, B50},           {75, B75},           {110, B110},         {134, B134},
        {150, B150},         {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    };
    for (const auto& entry : kSpeeds) {
        if (entry.baud == baudRate) {
            return entry.speed;
        }
    }
    return std::nullopt;
}

std::optional<tcflag_t> CharSizeFlags(uint8_t byteSize) {
    switch (byteSize) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        case 8:
            return CS8;
        default:
            return std::nullopt;
    }
}

// 0 none, 1 odd, 2 even.
std::optional<tcflag_t> ParityFlags(uint8_t parity) {
    switch (parity) {
        case 0:
            return tcflag_t{0};
        case 1:
            return tcflag_t{PARENB | PARODD};
        case 2:
            return tcflag_t{PARENB};
        default:
            return std::nullopt;
    }
}

// 0 one stop bit, 2 two; termios has no one and a half.
std::optional<tcflag_t> StopBitFlags(uint8_t stopBits) {
    switch (stopBits) {
        case 0:
            return tcflag_t{0};
        case 2:
            return tcflag_t{CSTOPB};
        default:
            return std::nullopt;
    }
}

std::optional<LineSettings> LineSettingsFor(uint32_t baudRate, uint8_t byteSize, uint8_t parity,
                                            uint8_t stopBits) {
    const auto speed = SpeedFor(baudRate);
    const auto size = CharSizeFlags(byteSize);
    const auto parityFlags = ParityFlags(parity);
    const auto stopFlags = StopBitFlags(stopBits);
    if (!speed || !size || !parityFlags || !stopFlags) {
        return std::nullopt;
    }
    return LineSettings{*speed, *size | *parityFlags | *stopFlags | CLOCAL | CREAD};
}

void ApplyRawLine(termios& line, const LineSettings& settings) {
    line.c_iflag = (line.c_iflag & ~kInputCleared) | kInputSet;
    line.c_oflag &= ~kOutputCleared;
    line.c_lflag &= ~kLocalCleared;
    line.c_cflag = (line.c_cflag & ~kControlDecided) | settings.control;
    // With the descriptor non-blocking, VMIN 1 makes an empty queue EAGAIN and a hang-up a
    // read of 0; with VMIN 0 both would read 0.
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;
    cfsetispeed(&line, settings.speed);
    cfsetospeed(&line, settings.speed);
}

// A driver may accept the call yet keep some settings of its own (a pseudo-terminal keeps
// 8 bits without parity, say); only what reads back counts.
bool LineMatches(const termios& wanted, const termios& actual) {
    return (wanted.c_iflag & (kInputCleared | kInputSet)) ==
               (actual.c_iflag & (kInputCleared | kInputSet)) &&
           (wanted.c_oflag & kOutputCleared) == (actual.c_oflag & kOutputCleared) &&
           (wanted.c_lflag & kLocalCleared) == (actual.c_lflag & kLocalCleared) &&
           (wanted.c_cflag & kControlDecided) == (actual.c_cflag & kControlDecided) &&
           cfgetispeed(&wanted) == cfgetispeed(&actual) &&
           cfgetospeed(&wanted) == cfgetospeed(&actual) && wanted.c_cc[VMIN] == actual.c_cc[VMIN] &&
           wanted.c_cc[VTIME] == actual.c_cc[VTIME];
}

bool ConfigureLine(int fd, const LineSettings& settings, const termios& before) {
    termios line = before;
    ApplyRawLine(line, settings);
    termios actual{};
    return tcsetattr(fd, TCSANOW, &line) == 0 && tcgetattr(fd, &actual) == 0 &&
           LineMatches(line, actual);
}

// The name as a path: a bare name lives in /dev, an absolute path stands as it is.
std::string DevicePath(const std::string& portName) {
    return portName.front() == '/' ? portName : "/dev/" + portName;
}

// A port is a character device; a regular file, a folder or a FIFO is never opened, so that a
// name cannot make this program (run as root, say) open or create a file for writing. stat
// follows links, so /dev/serial/by-id/ names keep working.
bool NamesCharacterDevice(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

// Checked again on what was opened: the path may have been swapped between stat and open.
bool IsCharacterDevice(int fd) {
    struct stat info {};
    return fstat(fd, &info) == 0 && S_ISCHR(info.st_mode);
}

// O_NONBLOCK keeps a port that waits for carrier from holding up the open.
int OpenDevice(const std::string& path) {
    if (!NamesCharacterDevice(path)) {
        return -1;
    }
    for (;;) {
        const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (fd >= 0 || LastSystemError() != SystemErrorKind::Interrupted) {
            return fd;
        }
    }
}

// The flock keeps out every opener of this link, root included (TIOCEXCL does not stop
// root); TIOCEXCL keeps out other programs' unprivileged opens. A port some other program
// holds exclusively is refused too. Nothing here touches another opener's state.
bool TakeExclusiveUse(int fd) {
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return false;
    }
    int exclusive = 0;
    if (ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
        return false;
    }
    return ioctl(fd, TIOCEXCL) == 0;
}

// The settings each open port had before SerialOpen changed them: closing puts them back, so
// that a terminal used as a port (/dev/tty, say) is not left raw and a real port keeps what its
// other users set.
class SettingsBeforeOpen {
  public:
    void Keep(int fd, const termios& settings) {
        const std::lock_guard lock(m_mutex);
        m_saved[fd] = settings;
    }
    // Now, not after the output drained: a stalled line must not hold up the close.
    void PutBack(int fd) {
        const std::lock_guard lock(m_mutex);
        const auto saved = m_saved.find(fd);
        if (saved != m_saved.end()) {
            tcsetattr(fd, TCSANOW, &saved->second);
            m_saved.erase(saved);
        }
    }

  private:
    std::mutex m_mutex;
    std::map<int, termios> m_saved;
};

SettingsBeforeOpen& SavedSettings() {
    // Never destroyed: a port may still be closed while the process exits.
    static SettingsBeforeOpen* const saved = new SettingsBeforeOpen;
    return *saved;
}

// Only for a descriptor that took exclusive use; the flock goes with the close.
void RestoreReleaseAndClose(int fd) {
    SavedSettings().PutBack(fd);
    ioctl(fd, TIOCNXCL);
    close(fd);
}

// Revents of one poll for `events`, 0 once the deadline passed, POLLERR if poll fails.
short PollUntil(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return 0;
        }
        pollfd entry{fd, events, 0};
        const int ready =
            poll(&entry, 1, static_cast<int>(std::min<int64_t>(left.count(), INT_MAX)));
        if (ready > 0) {
            return entry.revents;
        }
        if (ready < 0 && LastSystemError() != SystemErrorKind::Interrupted) {
            return POLLERR;
        }
    }
}

}  // namespace

SerialHandle SerialOpen(const std::string& portName, uint32_t baudRate, uint8_t byteSize,
                        uint8_t parity, uint8_t stopBits) {
    if (!PortNameUsable(portName)) {
        return kInvalidSerialHandle;
    }
    const int fd = OpenDevice(DevicePath(portName));
    if (fd < 0) {
        return kInvalidSerialHandle;
    }
    // tcgetattr fails on anything but a terminal.
    termios before{};
    if (!IsCharacterDevice(fd) || tcgetattr(fd, &before) != 0 || !TakeExclusiveUse(fd)) {
        close(fd);
        return kInvalidSerialHandle;
    }
    SavedSettings().Keep(fd, before);
    // No queue sizes to set: the terminal layer sizes its own buffers.
    // The time limits of reads and writes are kept by OsPortRead and OsPortWrite.
    const auto settings = LineSettingsFor(baudRate, byteSize, parity, stopBits);
    if (!settings || !ConfigureLine(fd, *settings, before)) {
        RestoreReleaseAndClose(fd);
        return kInvalidSerialHandle;
    }
    // No event mask to trim: a terminal reports no event-character events.
    SerialPurge(fd);
    return fd;
}

bool SerialClose(SerialHandle handle) {
    SavedSettings().PutBack(handle);
    ioctl(handle, TIOCNXCL);
    return close(handle) == 0;
}

bool SerialPurge(SerialHandle handle) {
    return tcflush(handle, TCIOFLUSH) == 0;
}

uint32_t SerialBytesWaiting(SerialHandle handle) {
    int waiting = 0;
    if (ioctl(handle, FIONREAD, &waiting) != 0 || waiting < 0) {
        return 0;
    }
    return static_cast<uint32_t>(waiting);
}

bool SerialHungUp(SerialHandle handle) {
    pollfd entry{handle, POLLIN, 0};
    return poll(&entry, 1, 0) > 0 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void SerialWaitReadable(SerialHandle handle, uint32_t timeoutMs) {
    const auto deadline = Clock::now() + milliseconds(timeoutMs);
    const short revents = PollUntil(handle, POLLIN, deadline);
    const bool lineDown = (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    // A hung-up port (adapter pulled out, far end closed) polls ready for ever without a
    // byte to read; returning early would turn the caller's wait loop into a busy loop.
    if (lineDown && SerialBytesWaiting(handle) == 0) {
        std::this_thread::sleep_until(deadline);
    }
}

uint32_t OsPortWrite(SerialHandle handle, const uint8_t* bytes, uint32_t count) {
    const auto deadline = TransferDeadline(count);
    uint32_t done = 0;
    while (done < count) {
        const ssize_t n = write(handle, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<uint32_t>(n);
            continue;
        }
        if (n == 0) {
            break;  // the device took nothing and reported nothing
        }
        const SystemErrorKind error = LastSystemError();
        if (error == SystemErrorKind::Interrupted) {
            continue;
        }
        if (error != SystemErrorKind::WouldBlock ||
            (PollUntil(handle, POLLOUT, deadline) & POLLOUT) == 0) {
            break;
        }
    }
    return done;
}

uint32_t OsPortRead(SerialHandle handle, uint8_t* buffer, uint32_t count) {
    const auto totalDeadline = TransferDeadline(count);
    auto deadline = totalDeadline;
    uint32_t done = 0;
    while (done < count) {
        const ssize_t n = read(handle, buffer + done, count - done);
        if (n > 0) {
            done += static_cast<uint32_t>(n);
            // The interval limit runs from the latest byte.
            deadline = std::min(totalDeadline, Clock::now() + kIoLimit);
            continue;
        }
        if (n == 0) {
            break;  // hung up
        }
        const SystemErrorKind error = LastSystemError();
        if (error == SystemErrorKind::Interrupted) {
            continue;
        }
        if (error != SystemErrorKind::WouldBlock ||
            (PollUntil(handle, POLLIN, deadline) & POLLIN) == 0) {
            break;
        }
    }
    return done;
}

struct SerialIdleWait::Waker {
    int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    ~Waker() { close(fd); }
};

SerialIdleWait::SerialIdleWait() : m_waker(std::make_unique<Waker>()) {}

SerialIdleWait::~SerialIdleWait() = default;

void SerialIdleWait::Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_waker->fd, &one, sizeof one);
}

// No events asked of the port: poll reports its hang-up anyway, and bytes do not wake it.
bool SerialIdleWait::Wait(SerialHandle handle) {
    pollfd entries[] = {{handle, 0, 0}, {m_waker->fd, POLLIN, 0}};
    if (poll(entries, 2, -1) <= 0) {
        return false;  // interrupted: the caller looks again
    }
    if ((entries[1].revents & POLLIN) != 0) {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t read = ::read(m_waker->fd, &count, sizeof count);
    }
    return (entries[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}
