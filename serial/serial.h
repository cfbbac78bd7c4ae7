// The serial link: one port opened by name, synchronous block I/O, and the machine's port list.
// Every function reports failure only through its result and shows nothing. The OS-specific
// parts live in one file per OS and concern (serial_<os>.cpp, serial_enum_<os>.cpp).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using SerialHandle = int32_t;
inline constexpr SerialHandle kInvalidSerialHandle = -1;

// The one open port; kInvalidSerialHandle when none is. Only the port worker writes it.
extern std::atomic<SerialHandle> g_hComm;

using SerialMonitorHook = void (*)(const uint8_t* bytes, uint32_t count);
extern std::atomic<SerialMonitorHook> g_pfnSerialTxHook;
extern std::atomic<SerialMonitorHook> g_pfnSerialRxHook;

// Line-settings encoding: parity 0 is none, stop bits 0 is one stop bit.
inline constexpr uint8_t kSerialParityNone = 0;
inline constexpr uint8_t kSerialOneStopBit = 0;

// Port names are UTF-8 and name a serial device, never a file. On Windows a name ("COM7") is
// opened as the device //.//COM7; a name with ":", "\\" or "/" in it gives -1 without anything
// being opened. On POSIX a bare name ("ttyUSB0") is looked up in the device directory, an
// absolute path is opened as it stands; a path that is not a character device gives -1
// without being opened, and one that is not a terminal gives -1. Names of more than 254
// characters give -1. Exclusive: a port open here or elsewhere gives -1.
// Reads give up when 2000 ms pass between two bytes, reads and writes of n bytes after
// 2000 x n + 2000 ms; a port that has hung up ends them at once with what was moved.
SerialHandle SerialOpen(const std::string& portName, uint32_t baudRate, uint8_t byteSize,
                        uint8_t parity, uint8_t stopBits);
// Puts back the line settings the port had before SerialOpen, then closes it.
bool SerialClose(SerialHandle handle);
bool SerialPurge(SerialHandle handle);
uint32_t SerialWrite(SerialHandle handle, const uint8_t* bytes, uint32_t count);
uint32_t SerialRead(SerialHandle handle, uint8_t* buffer, uint32_t count);
uint32_t SerialBytesWaiting(SerialHandle handle);

// True once the port's device has gone away (adapter pulled out, far end closed): from then on
// its transfers fail at once and its waits run their whole time.
bool SerialHungUp(SerialHandle handle);

// Blocks until a received byte is waiting or timeoutMs has passed, without using the processor.
// A port that has hung up (adapter pulled out) waits out the whole time quietly.
void SerialWaitReadable(SerialHandle handle, uint32_t timeoutMs);

// An idle port's wait: sleeps until Wake() is called (from any thread) or the port hangs up,
// without using the processor and whatever bytes arrive meanwhile. A Wake() before the wait
// ends the next wait at once. Linux is told of the hang-up; on Windows the port is looked at
// every 100 ms, since a hang-up shows there only when the port is used.
class SerialIdleWait {
  public:
    SerialIdleWait();
    ~SerialIdleWait();
    SerialIdleWait(const SerialIdleWait&) = delete;
    SerialIdleWait& operator=(const SerialIdleWait&) = delete;

    void Wake();
    // True when it ended because the port has hung up.
    bool Wait(SerialHandle handle);

  private:
    struct Waker;
    std::unique_ptr<Waker> m_waker;
};

// Fills entry i of deviceNames (the driver's name) and portNames (what SerialOpen takes) for
// up to `limit` ports; either array may be null. Returns the number of entries. On Windows they
// are the values of HKLM\Hardware\DeviceMap\SerialComm in the registry's order. On Linux the
// registered virtual ports come first in order of registration, then the machine's ports in
// natural name order. A port name SerialOpen could not take is listed as an empty string.
int32_t SerialEnumPorts(std::string* deviceNames, std::string* portNames, uint32_t limit);
// The port names of SerialEnumPorts, in its order, for the port lists of the window and the
// command line.
std::vector<std::string> SerialPortNames();

// 0, without reading or calling the receive hook, when no byte is waiting.
uint8_t SerialReadByte(SerialHandle handle);
void SerialWriteByte(SerialHandle handle, uint8_t byte);
// 1 when all `count` bytes arrived within timeoutMs of the call's start, 0 otherwise (also
// when a waiting byte could not be read). Bytes read before a time-out stay in the buffer.
int SerialReadTimed(SerialHandle handle, uint8_t* buffer, uint32_t count, uint32_t timeoutMs);
void SerialSetHooks(SerialMonitorHook txHook, SerialMonitorHook rxHook);
