// The serial link on a Win32 communications device.
//
// The handle is synchronous (no overlapped I/O). To sleep until the next byte without a busy
// loop, SerialWaitReadable briefly swaps the port's time limits for "return after one byte or
// after the wait", reads that one byte and puts the port's own limits back before it returns.
// The byte it caught is kept here, counted by SerialBytesWaiting and handed out first by the
// next SerialRead. The alternatives do not fit a synchronous handle: WaitCommEvent on it has no
// time limit, and Sleep(1) slices last a whole timer period (15.6 ms by default).
#include <windows.h>

#include <chrono>
#include <cwchar>
#include <map>
#include <mutex>

#include "serial/serial.h"
#include "serial/serial_error.h"
#include "serial/serial_os.h"

namespace {

constexpr std::size_t kPathCapacity = 260;
constexpr wchar_t kDevicePrefix[] = L"//.//";
constexpr DWORD kQueueSize = 4096;
constexpr DWORD kIoLimitMs = 2000;
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr BYTE kParityErrorStandIn = 0x45;  // 'E'

// Win32 handles carry 32 significant bits and sign-extend, so -1 stays the invalid value.
HANDLE Win32Handle(SerialHandle handle) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
}

SerialHandle PortHandle(HANDLE handle) {
    return static_cast<SerialHandle>(reinterpret_cast<intptr_t>(handle));
}

// Bytes that SerialWaitReadable took from the driver for the next SerialRead, per port.
class CaughtBytes {
  public:
    void Keep(SerialHandle handle, uint8_t byte) {
        std::lock_guard lock(m_mutex);
        m_bytes[handle] = byte;
    }
    bool Has(SerialHandle handle) const {
        std::lock_guard lock(m_mutex);
        return m_bytes.count(handle) != 0;
    }
    bool Take(SerialHandle handle, uint8_t& byte) {
        std::lock_guard lock(m_mutex);
        const auto it = m_bytes.find(handle);
        if (it == m_bytes.end()) {
            return false;
        }
        byte = it->second;
        m_bytes.erase(it);
        return true;
    }
    void Drop(SerialHandle handle) {
        std::lock_guard lock(m_mutex);
        m_bytes.erase(handle);
    }

  private:
    mutable std::mutex m_mutex;
    std::map<SerialHandle, uint8_t> m_bytes;
};

CaughtBytes g_caught;

bool WidePortName(const std::string& portName, std::wstring& wide) {
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, portName.data(),
                                           static_cast<int>(portName.size()), nullptr, 0);
    if (length <= 0) {
        return false;
    }
    wide.resize(static_cast<std::size_t>(length));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, portName.data(),
                        static_cast<int>(portName.size()), wide.data(), length);
    return true;
}

// A port name is a device name ("COM7"). A drive, a folder or a path ("C:\Windows\win.ini",
// "..\x", "/tmp/x") would make the device path name a file, which CreateFileW would open for
// reading and writing before SetCommState turned it away.
bool NamesDeviceOnly(const std::wstring& name) {
    return name.find_first_of(L":\\/") == std::wstring::npos;
}

void SetPortTimeLimits(HANDLE port, COMMTIMEOUTS limits) {
    SetCommTimeouts(port, &limits);
}

COMMTIMEOUTS PortTimeLimits(COMMTIMEOUTS limits) {
    limits.ReadIntervalTimeout = kIoLimitMs;
    limits.ReadTotalTimeoutMultiplier = kIoLimitMs;
    limits.ReadTotalTimeoutConstant = kIoLimitMs;
    limits.WriteTotalTimeoutMultiplier = kIoLimitMs;
    limits.WriteTotalTimeoutConstant = kIoLimitMs;
    return limits;
}

// Every field the line needs; the rest (DTR and RTS control, XON/XOFF limits and characters)
// stays as the driver reported it.
void ApplyLineSettings(DCB& dcb, uint32_t baudRate, uint8_t byteSize, uint8_t parity,
                       uint8_t stopBits) {
    dcb.BaudRate = baudRate;
    dcb.ByteSize = byteSize;
    dcb.Parity = parity;
    dcb.StopBits = stopBits;
    dcb.fBinary = 1;
    dcb.fParity = 1;  // without parity it has no effect
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDsrSensitivity = 0;
    dcb.fTXContinueOnXoff = 1;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fErrorChar = 1;
    dcb.ErrorChar = static_cast<char>(kParityErrorStandIn);
    dcb.fNull = 0;
    dcb.fAbortOnError = 0;
    dcb.EofChar = 0;
    dcb.EvtChar = 0;
}

// Sleeps out what is left of a wait that the driver ended early without a byte (a device that
// is gone fails every read at once), so that the caller's wait loop does not spin.
void SleepUntil(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() > 0) {
        Sleep(static_cast<DWORD>(left.count()));
    }
}

}  // namespace

SerialHandle SerialOpen(const std::string& portName, uint32_t baudRate, uint8_t byteSize,
                        uint8_t parity, uint8_t stopBits) {
    std::wstring name;
    // A name longer than the path buffer can hold would be cut short into another name.
    if (!PortNameUsable(portName) || !WidePortName(portName, name) || !NamesDeviceOnly(name) ||
        name.size() > kPathCapacity - std::size(kDevicePrefix)) {
        return kInvalidSerialHandle;
    }
    wchar_t path[kPathCapacity] = {};
    wcscpy(path, kDevicePrefix);
    wcsncat(path, name.c_str(), kPathCapacity - wcslen(path) - 1);

    const HANDLE port =
        CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        return kInvalidSerialHandle;
    }
    SetupComm(port, kQueueSize, kQueueSize);

    COMMTIMEOUTS limits{};
    GetCommTimeouts(port, &limits);
    SetPortTimeLimits(port, PortTimeLimits(limits));

    // Should GetCommState fail, the settings start from zero with only the length filled in.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(port, &dcb);
    ApplyLineSettings(dcb, baudRate, byteSize, parity, stopBits);
    if (!SetCommState(port, &dcb)) {
        CloseHandle(port);
        return kInvalidSerialHandle;
    }

    DWORD events = 0;
    GetCommMask(port, &events);
    SetCommMask(port, events & ~static_cast<DWORD>(EV_RXFLAG));

    PurgeComm(port, kPurgeAll);
    return PortHandle(port);
}

bool SerialClose(SerialHandle handle) {
    g_caught.Drop(handle);
    return CloseHandle(Win32Handle(handle)) != 0;
}

bool SerialPurge(SerialHandle handle) {
    g_caught.Drop(handle);
    return PurgeComm(Win32Handle(handle), kPurgeAll) != 0;
}

namespace {

// ClearCommError's count of the driver's input queue; false when the status query fails, as it
// does once the device is gone.
bool QueryInputQueue(SerialHandle handle, DWORD& count) {
    DWORD errors = 0;
    COMSTAT status{};
    const bool answered = ClearCommError(Win32Handle(handle), &errors, &status) != 0;
    count = status.cbInQue;
    return answered;
}

}  // namespace

// A failed status query counts nothing in the driver's queue.
uint32_t SerialBytesWaiting(SerialHandle handle) {
    DWORD queued = 0;
    QueryInputQueue(handle, queued);
    return queued + (g_caught.Has(handle) ? 1u : 0u);
}

// The handle of a device that went away (a USB adapter pulled out) fails every status query.
bool SerialHungUp(SerialHandle handle) {
    DWORD queued = 0;
    return !QueryInputQueue(handle, queued);
}

void SerialWaitReadable(SerialHandle handle, uint32_t timeoutMs) {
    // All read limits zero would mean no limit at all: a wait of 0 must not block.
    if (timeoutMs == 0 || g_caught.Has(handle)) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    DWORD queued = 0;
    // A device that is gone is not read: its reads end at once (or, under wine, spin inside).
    if (!QueryInputQueue(handle, queued)) {
        SleepUntil(deadline);
        return;
    }
    if (queued != 0) {
        return;
    }
    const HANDLE port = Win32Handle(handle);
    COMMTIMEOUTS own{};
    if (!GetCommTimeouts(port, &own)) {
        SleepUntil(deadline);
        return;
    }
    // With no interval limit and no per-byte part, a one-byte read returns with the byte or
    // after the constant.
    COMMTIMEOUTS waitForOne = own;
    waitForOne.ReadIntervalTimeout = 0;
    waitForOne.ReadTotalTimeoutMultiplier = 0;
    waitForOne.ReadTotalTimeoutConstant = timeoutMs;
    SetPortTimeLimits(port, waitForOne);
    uint8_t byte = 0;
    DWORD read = 0;
    const bool readOk = ReadFile(port, &byte, 1, &read, nullptr) != 0;
    const SystemErrorKind failure = readOk ? SystemErrorKind::Other : LastSystemError();
    SetPortTimeLimits(port, own);
    if (read == 1) {
        g_caught.Keep(handle, byte);
        return;
    }
    // A read aborted on purpose (a purge) hands control back at once.
    if (readOk || failure != SystemErrorKind::Interrupted) {
        SleepUntil(deadline);
    }
}

uint32_t OsPortWrite(SerialHandle handle, const uint8_t* bytes, uint32_t count) {
    DWORD written = 0;
    WriteFile(Win32Handle(handle), bytes, count, &written, nullptr);
    return written;
}

uint32_t OsPortRead(SerialHandle handle, uint8_t* buffer, uint32_t count) {
    if (count == 0) {
        return 0;
    }
    uint32_t done = 0;
    if (g_caught.Take(handle, buffer[0])) {
        done = 1;
        if (count == 1) {
            return done;
        }
    }
    DWORD read = 0;
    ReadFile(Win32Handle(handle), buffer + done, count - done, &read, nullptr);
    return done + read;
}

struct SerialIdleWait::Waker {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ~Waker() { CloseHandle(event); }
};

SerialIdleWait::SerialIdleWait() : m_waker(std::make_unique<Waker>()) {}

SerialIdleWait::~SerialIdleWait() = default;

void SerialIdleWait::Wake() {
    SetEvent(m_waker->event);
}

// A device that went away shows only in a call on its handle; a wait for its events would hold
// the synchronous handle against the transactions' reads.
bool SerialIdleWait::Wait(SerialHandle handle) {
    constexpr DWORD kHangUpCheckMs = 100;
    while (WaitForSingleObject(m_waker->event, kHangUpCheckMs) == WAIT_TIMEOUT) {
        if (SerialHungUp(handle)) {
            return true;
        }
    }
    return false;
}
