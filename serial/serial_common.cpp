// The OS-neutral part of the serial link: the monitor hooks and the helpers built on the
// per-OS transfers.
#include <algorithm>

#include "serial/serial.h"
#include "serial/serial_os.h"
#include "serial/tick.h"

std::atomic<SerialHandle> g_hComm{kInvalidSerialHandle};
std::atomic<SerialMonitorHook> g_pfnSerialTxHook{nullptr};
std::atomic<SerialMonitorHook> g_pfnSerialRxHook{nullptr};

namespace {

constexpr std::size_t kMaxPortNameLength = 254;

// Characters, not bytes: a UTF-8 continuation byte does not start one.
std::size_t Utf8Length(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0u) != 0x80u;
    }));
}

// Waits until a byte is waiting; false once more than timeoutMs have passed since start.
bool AwaitByte(SerialHandle handle, uint32_t start, uint32_t timeoutMs) {
    while (SerialBytesWaiting(handle) == 0) {
        const uint32_t elapsed = TickDiff(TickNow(), start);
        if (elapsed > timeoutMs) {
            return false;
        }
        SerialWaitReadable(handle, std::max<uint32_t>(timeoutMs - elapsed, 1));
    }
    return true;
}

}  // namespace

bool PortNameUsable(const std::string& name) {
    return !name.empty() && name.find('\0') == std::string::npos &&
           Utf8Length(name) <= kMaxPortNameLength;
}

uint32_t SerialWrite(SerialHandle handle, const uint8_t* bytes, uint32_t count) {
    const uint32_t written = OsPortWrite(handle, bytes, count);
    if (const SerialMonitorHook hook = g_pfnSerialTxHook.load()) {
        hook(bytes, count);
    }
    return written;
}

uint32_t SerialRead(SerialHandle handle, uint8_t* buffer, uint32_t count) {
    const uint32_t read = OsPortRead(handle, buffer, count);
    if (const SerialMonitorHook hook = g_pfnSerialRxHook.load()) {
        hook(buffer, count);
    }
    return read;
}

// With nothing waiting it returns 0 and reads nothing, so the receive hook sees nothing.
uint8_t SerialReadByte(SerialHandle handle) {
    uint8_t byte = 0;
    if (SerialBytesWaiting(handle) != 0) {
        SerialRead(handle, &byte, 1);
    }
    return byte;
}

void SerialWriteByte(SerialHandle handle, uint8_t byte) {
    SerialWrite(handle, &byte, 1);
}

// A byte that was waiting but could not be read ends the call with 0: reporting 1 would
// hand the caller a buffer position that was never filled.
int SerialReadTimed(SerialHandle handle, uint8_t* buffer, uint32_t count, uint32_t timeoutMs) {
    const uint32_t start = TickNow();
    for (uint32_t i = 0; i < count; ++i) {
        if (!AwaitByte(handle, start, timeoutMs) || SerialRead(handle, buffer + i, 1) != 1) {
            return 0;
        }
    }
    return 1;
}

void SerialSetHooks(SerialMonitorHook txHook, SerialMonitorHook rxHook) {
    g_pfnSerialTxHook.store(txHook);
    g_pfnSerialRxHook.store(rxHook);
}

std::vector<std::string> SerialPortNames() {
    // More ports than a machine has; the list stops there.
    constexpr uint32_t kMaxListedPorts = 256;
    std::vector<std::string> names(kMaxListedPorts);
    const int32_t count = SerialEnumPorts(nullptr, names.data(), kMaxListedPorts);
    names.resize(static_cast<std::size_t>(std::clamp<int32_t>(count, 0, kMaxListedPorts)));
    return names;
}
