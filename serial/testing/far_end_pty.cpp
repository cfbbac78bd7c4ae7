// The far end on Linux: the master of a pseudo-terminal whose slave is the port under test.
#include <thread>
#include <vector>

#include "serial/serial_test_support.h"
#include "serial/testing/far_end.h"

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kPaceGap{45};
constexpr std::string_view kPacedBytes = "0123456789";

}  // namespace

struct FarEnd::Line {
    PtyPair pty;
    SerialHandle handle = OpenLine(pty.SlavePath());
    std::thread pacer;
};

FarEnd::FarEnd() : m_line(std::make_unique<Line>()) {}

FarEnd::~FarEnd() {
    if (m_line->pacer.joinable()) {
        m_line->pacer.join();
    }
    if (m_line->handle != kInvalidSerialHandle) {
        SerialClose(m_line->handle);
    }
}

bool FarEnd::Ready() {
    return m_line->handle != kInvalidSerialHandle;
}

const std::string& FarEnd::PortName() const {
    return m_line->pty.SlavePath();
}

SerialHandle FarEnd::Port() const {
    return m_line->handle;
}

void FarEnd::Send(std::string_view bytes) {
    m_line->pty.Send(bytes);
}

std::string FarEnd::Receive(std::size_t count, milliseconds timeout) {
    return m_line->pty.Receive(count, timeout);
}

// One byte at a time, the first one gap after the start.
PacedBytes FarEnd::SendPaced() {
    m_line->pacer = std::thread([&pty = m_line->pty] {
        for (const char byte : kPacedBytes) {
            std::this_thread::sleep_for(kPaceGap);
            pty.Send(std::string_view(&byte, 1));
        }
    });
    return {static_cast<uint32_t>(kPacedBytes.size()), std::string(kPacedBytes),
            kPaceGap * static_cast<int>(kPacedBytes.size()), milliseconds(1050)};
}

ShortReadLimit FarEnd::ShortLimit() {
    return {200, milliseconds(5)};
}
