// The port list on Linux, with its sources passed in so that tests can build their own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PortListEntry {
    std::string deviceName;
    std::string portName;
};

// The machine's serial ports under <sysfsRoot>/class/tty, in natural order of their names
// (ttyS2 before ttyS10). Port name: the bare device name; device name: the port's resolved
// path in the driver model. UART slots the serial core found no hardware for are left out.
std::vector<PortListEntry> ListSysfsPorts(const std::string& sysfsRoot);

// The live virtual ports registered in registryDir, oldest first. Entries whose owner is
// gone are deleted on the way.
std::vector<PortListEntry> ListRegisteredPorts(const std::string& registryDir);

// SerialEnumPorts over the given sources: the registered ports, then the sysfs ones.
// An entry whose port name SerialOpen could not take is listed with an empty port name, so
// that choosing it fails cleanly instead of opening some other, cut-down path.
int32_t EnumPortsFrom(const std::string& sysfsRoot, const std::string& registryDir,
                      std::string* deviceNames, std::string* portNames, uint32_t limit);
