// The far end on Windows: the COM port named by VELKARO_TEST_PORT, which the test run mapped to
// the pseudo-terminal of Linux node simulators (nodes 00-0f) that also echo every byte. The
// test's own bytes go out and come back with WriteFile and ReadFile on the port's handle,
// past the serial link and its hooks.
#include <windows.h>

#include <cstdlib>
#include <thread>

#include "protocol/frame.h"
#include "serial/testing/far_end.h"

namespace {

using std::chrono::milliseconds;

constexpr uint32_t kNodeCount = 16;
// Unlock replies come one interval apart: node a answers (a + 1) intervals after the frame.
constexpr int32_t kUnlockIntervalMs = 50;

std::string TestPort() {
    const char* port = std::getenv("VELKARO_TEST_PORT");
    return port != nullptr ? port : "";
}

HANDLE Win32Handle(SerialHandle handle) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
}

uint32_t WriteRaw(SerialHandle handle, std::string_view bytes) {
    DWORD written = 0;
    WriteFile(Win32Handle(handle), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
              nullptr);
    return written;
}

}  // namespace

struct FarEnd::Line {
    std::string name = TestPort();
    SerialHandle handle = name.empty()
                              ? kInvalidSerialHandle
                              : SerialOpen(name, 115200, 8, kSerialParityNone, kSerialOneStopBit);
};

FarEnd::FarEnd() : m_line(std::make_unique<Line>()) {}

FarEnd::~FarEnd() {
    if (m_line->handle != kInvalidSerialHandle) {
        SerialClose(m_line->handle);
    }
}

// Replies to an earlier test's frame may still be on their way.
bool FarEnd::Ready() {
    if (m_line->handle == kInvalidSerialHandle) {
        return false;
    }
    for (int round = 0; round < 20; ++round) {
        SerialPurge(m_line->handle);
        std::this_thread::sleep_for(milliseconds(100));
        if (SerialBytesWaiting(m_line->handle) == 0) {
            return true;
        }
    }
    return false;
}

const std::string& FarEnd::PortName() const {
    return m_line->name;
}

SerialHandle FarEnd::Port() const {
    return m_line->handle;
}

void FarEnd::Send(std::string_view bytes) {
    WriteRaw(m_line->handle, bytes);
}

std::string FarEnd::Receive(std::size_t count, milliseconds timeout) {
    const uint32_t waiting = AwaitWaiting(m_line->handle, static_cast<uint32_t>(count), timeout);
    std::string echoed(std::min<std::size_t>(waiting, count), '\0');
    DWORD read = 0;
    ReadFile(Win32Handle(m_line->handle), echoed.data(), static_cast<DWORD>(echoed.size()), &read,
             nullptr);
    echoed.resize(read);
    return echoed;
}

// A group unlock: its echo at once, then the 16 nodes' replies one unlock interval apart.
PacedBytes FarEnd::SendPaced() {
    const HostFrame frame = BuildUnlockFrame(ADDR_BROADCAST, {500, kUnlockIntervalMs, 1, 0});
    const std::string echo(frame.begin(), frame.end());
    WriteRaw(m_line->handle, echo);
    return {static_cast<uint32_t>(kHostFrameSize + kNodeCount * kReplyFrameSize),
            echo + static_cast<char>(FRAME_HEAD_NODE), milliseconds(kNodeCount * kUnlockIntervalMs),
            milliseconds(3200)};
}

ShortReadLimit FarEnd::ShortLimit() {
    return {300, milliseconds(20)};
}
