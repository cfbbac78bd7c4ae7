// The registry of virtual ports: one file per port in a private folder, holding the device
// name and the port name on a line each. The owner keeps a shared flock on its file for as
// long as it lives; the kernel drops it when the owner dies, however it dies, so whoever
// can take the file exclusively knows the entry is stale.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>

#include "serial/serial_enum_linux.h"
#include "serial/serial_error.h"
#include "serial/virtual_port.h"

namespace {

constexpr std::string_view kEntrySuffix = ".port";
// An entry is written under this suffix and renamed once complete and locked, so that the
// port list never sees it half-written or unlocked.
constexpr std::string_view kStagingSuffix = ".new";

bool EndsWith(const std::string& text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Only a folder of our own that nobody else may write to is trusted: anyone who can write to
// it could plant or remove entries. In a shared /tmp someone else could have made it first.
bool IsPrivateDirectory(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string SystemErrorText() {
    return std::strerror(errno);
}

// Empty when path is a private folder, created if missing; otherwise what is wrong with it.
std::string EnsurePrivateDirectory(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && LastSystemError() != SystemErrorKind::AlreadyExists) {
        return "cannot create the folder " + path + ": " + SystemErrorText();
    }
    if (!IsPrivateDirectory(path)) {
        return path + " is not a folder of this user's that nobody else may write to";
    }
    return {};
}

// Real-time nanoseconds, then the process id and a per-process count: names sort in the
// order of registration, across processes, and never collide.
std::string NewEntryName() {
    static std::atomic<uint32_t> s_counter{0};
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const uint64_t ns =
        static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
    char name[64];
    std::snprintf(name, sizeof name, "%020" PRIu64 "-%010ld-%06" PRIu32, ns,
                  static_cast<long>(getpid()), s_counter.fetch_add(1));
    return std::string(name) + std::string(kEntrySuffix);
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && LastSystemError() == SystemErrorKind::Interrupted) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string ReadAll(int fd) {
    std::string text;
    char chunk[512];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && LastSystemError() == SystemErrorKind::Interrupted) {
            continue;
        }
        if (n <= 0) {
            return text;
        }
        text.append(chunk, static_cast<std::size_t>(n));
    }
}

PortListEntry ParseEntry(const std::string& text) {
    const std::size_t firstEnd = std::min(text.find('\n'), text.size());
    const std::size_t secondBegin = std::min(firstEnd + 1, text.size());
    const std::size_t secondEnd = std::min(text.find('\n', secondBegin), text.size());
    return {text.substr(0, firstEnd), text.substr(secondBegin, secondEnd - secondBegin)};
}

std::vector<std::string> EntryNames(const std::string& registryDir) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(registryDir, error), end; !error && it != end;
         it.increment(error)) {
        std::string name = it->path().filename().string();
        if (EndsWith(name, kEntrySuffix)) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The entry at path if its owner still holds it; a stale one is deleted.
std::optional<PortListEntry> ReadLiveEntry(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return std::nullopt;  // unregistered meanwhile
    }
    std::optional<PortListEntry> entry;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        unlink(path.c_str());
    } else if (LastSystemError() == SystemErrorKind::WouldBlock) {
        entry = ParseEntry(ReadAll(fd));
    }
    close(fd);
    return entry;
}

}  // namespace

std::string VirtualPortRegistryDir() {
    if (const char* dir = std::getenv("VELKARO_PORT_REGISTRY"); dir != nullptr && *dir != '\0') {
        return dir;
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && *runtime != '\0') {
        return std::string(runtime) + "/velkaro-ports";
    }
    return "/tmp/velkaro-ports-" + std::to_string(getuid());
}

std::string EnsureVirtualPortRegistryDir() {
    return EnsurePrivateDirectory(VirtualPortRegistryDir());
}

VirtualPortRegistration::VirtualPortRegistration(const std::string& deviceName,
                                                 const std::string& portName) {
    // Each name is one line of the entry.
    if (deviceName.find('\n') != std::string::npos || portName.find('\n') != std::string::npos) {
        m_problem = "a port name spans lines";
        return;
    }
    const std::string dir = VirtualPortRegistryDir();
    m_problem = EnsureVirtualPortRegistryDir();
    if (!m_problem.empty()) {
        return;
    }
    const std::string entryPath = dir + "/" + NewEntryName();
    const std::string stagingPath = entryPath + std::string(kStagingSuffix);
    const int fd = open(stagingPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_problem = "cannot write an entry in " + dir + ": " + SystemErrorText();
        return;
    }
    if (!WriteAll(fd, deviceName + '\n' + portName + '\n') || flock(fd, LOCK_SH) != 0 ||
        rename(stagingPath.c_str(), entryPath.c_str()) != 0) {
        m_problem = "cannot write an entry in " + dir + ": " + SystemErrorText();
        unlink(stagingPath.c_str());
        close(fd);
        return;
    }
    m_fd = fd;
    m_entryPath = entryPath;
}

VirtualPortRegistration::~VirtualPortRegistration() {
    if (m_fd >= 0) {
        unlink(m_entryPath.c_str());
        close(m_fd);
    }
}

std::vector<PortListEntry> ListRegisteredPorts(const std::string& registryDir) {
    std::vector<PortListEntry> ports;
    if (!IsPrivateDirectory(registryDir)) {
        return ports;
    }
    for (const std::string& name : EntryNames(registryDir)) {
        if (auto entry = ReadLiveEntry(registryDir + "/" + name)) {
            ports.push_back(std::move(*entry));
        }
    }
    return ports;
}
