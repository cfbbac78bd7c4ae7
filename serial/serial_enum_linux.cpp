#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "serial/serial.h"
#include "serial/serial_enum_linux.h"
#include "serial/serial_os.h"
#include "serial/virtual_port.h"

namespace {

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Compares the digit runs starting at a and b by value; advances both past them.
int CompareNumbers(const std::string& a, std::size_t& i, const std::string& b, std::size_t& j) {
    const auto runEnd = [](const std::string& s, std::size_t from) {
        while (from < s.size() && IsDigit(s[from])) {
            ++from;
        }
        return from;
    };
    const auto skipZeros = [](const std::string& s, std::size_t from, std::size_t end) {
        while (from + 1 < end && s[from] == '0') {
            ++from;
        }
        return from;
    };
    const std::size_t aEnd = runEnd(a, i);
    const std::size_t bEnd = runEnd(b, j);
    const std::size_t aFrom = skipZeros(a, i, aEnd);
    const std::size_t bFrom = skipZeros(b, j, bEnd);
    i = aEnd;
    j = bEnd;
    if (aEnd - aFrom != bEnd - bFrom) {
        return aEnd - aFrom < bEnd - bFrom ? -1 : 1;
    }
    return a.compare(aFrom, aEnd - aFrom, b, bFrom, bEnd - bFrom);
}

// Digit runs compare by value, everything else by character: ttyS2 < ttyS10 < ttyUSB0.
bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        int order = 0;
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            order = CompareNumbers(a, i, b, j);
        } else {
            order = a[i] == b[j] ? 0 : (a[i] < b[j] ? -1 : 1);
            ++i;
            ++j;
        }
        if (order != 0) {
            return order < 0;
        }
    }
    if (a.size() - i != b.size() - j) {
        return a.size() - i < b.size() - j;
    }
    return a < b;  // equal values written differently (ttyS01, ttyS1)
}

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// The serial core lists every UART slot it reserved; a slot where it found no UART has
// type 0 (PORT_UNKNOWN) and cannot carry data. Finding this needs no open of the device.
bool IsUnusedUart(const std::string& ttyDir) {
    std::ifstream typeFile(ttyDir + "/type");
    int type = -1;
    return static_cast<bool>(typeFile >> type) && type == 0;
}

std::string ResolvedPath(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr),
                                                               &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

std::vector<std::string> SerialTtyNames(const std::string& classDir) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(classDir, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        const std::string ttyDir = classDir + "/" + name;
        // Only ttys backed by a device are ports; consoles and pseudo-terminals have none.
        if (Exists(ttyDir + "/device") && !IsUnusedUart(ttyDir)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

}  // namespace

std::vector<PortListEntry> ListSysfsPorts(const std::string& sysfsRoot) {
    const std::string classDir = sysfsRoot + "/class/tty";
    std::vector<PortListEntry> ports;
    for (const std::string& name : SerialTtyNames(classDir)) {
        ports.push_back({ResolvedPath(classDir + "/" + name), name});
    }
    return ports;
}

int32_t EnumPortsFrom(const std::string& sysfsRoot, const std::string& registryDir,
                      std::string* deviceNames, std::string* portNames, uint32_t limit) {
    if (limit == 0) {
        return 0;
    }
    // A running simulator was started on purpose: its port comes first, so it is the one
    // selected when the window opens.
    std::vector<PortListEntry> ports = ListRegisteredPorts(registryDir);
    std::vector<PortListEntry> machinePorts = ListSysfsPorts(sysfsRoot);
    ports.insert(ports.end(), std::make_move_iterator(machinePorts.begin()),
                 std::make_move_iterator(machinePorts.end()));
    const std::size_t count = std::min<std::size_t>({ports.size(), limit, INT32_MAX});
    for (std::size_t i = 0; i < count; ++i) {
        if (deviceNames != nullptr) {
            deviceNames[i] = ports[i].deviceName;
        }
        if (portNames != nullptr) {
            portNames[i] = PortNameUsable(ports[i].portName) ? ports[i].portName : std::string();
        }
    }
    return static_cast<int32_t>(count);
}

int32_t SerialEnumPorts(std::string* deviceNames, std::string* portNames, uint32_t limit) {
    return EnumPortsFrom("/sys", VirtualPortRegistryDir(), deviceNames, portNames, limit);
}
