// The far end of the serial port under test, for the cases that every platform shares
// (serial/serial_link_test.cpp). The build picks one driver: on Linux a pseudo-terminal whose
// master the test writes and reads (far_end_pty.cpp); on Windows a COM port that the test run
// mapped to simulated nodes that echo every byte (far_end_com.cpp), so what the far end sends
// is what the test wrote past the serial link, and what it got comes back as the echo.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "serial/serial.h"

// Bytes that come in pieces, one interval apart, as a bus's nodes answer.
struct PacedBytes {
    uint32_t count;    // in all
    std::string head;  // the first of them, as they arrive
    // The last piece leaves the far end this long after SendPaced, and reaches the reader at
    // most `lateness` after that on a busy machine.
    std::chrono::milliseconds lastSent;
    std::chrono::milliseconds lateness;
};

// A time limit for reading the paced bytes that ends well before the last of them, and how
// much earlier than the limit, by the steady clock, the read may end: the tick's granularity.
struct ShortReadLimit {
    uint32_t ms;
    std::chrono::milliseconds early;
};

class FarEnd {
  public:
    FarEnd();   // opens the port under test at 115200-8-N-1
    ~FarEnd();  // closes it
    FarEnd(const FarEnd&) = delete;
    FarEnd& operator=(const FarEnd&) = delete;

    // The port is open and no earlier test's bytes are still coming in.
    bool Ready();
    const std::string& PortName() const;
    SerialHandle Port() const;

    // Makes `bytes` arrive at the port. They pass neither the serial link nor its hooks.
    void Send(std::string_view bytes);
    // Up to `count` bytes that the port sent, as the far end got them, within `timeout`.
    std::string Receive(std::size_t count, std::chrono::milliseconds timeout);
    // Starts paced bytes on their way; they keep coming while the caller reads.
    PacedBytes SendPaced();
    static ShortReadLimit ShortLimit();

  private:
    struct Line;
    std::unique_ptr<Line> m_line;
};

// Waits until `count` bytes are waiting on the port or `timeout` passed; returns the count.
inline uint32_t AwaitWaiting(SerialHandle handle, uint32_t count,
                             std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    uint32_t waiting = SerialBytesWaiting(handle);
    while (waiting < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        waiting = SerialBytesWaiting(handle);
    }
    return waiting;
}
