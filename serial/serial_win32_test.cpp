// What only the Win32 serial link has, against real bytes: the port named by VELKARO_TEST_PORT
// is a COM port that the test run mapped to the pseudo-terminal of Linux node simulators (nodes
// 00-0f) that also echo every byte they receive. The cases every platform shares are in
// serial_link_test.cpp.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "protocol/frame.h"
#include "serial/serial.h"
#include "serial/testing/far_end.h"
#include "serial/testing/hook_recorder.h"

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

milliseconds ProcessCpuTime() {
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return milliseconds((ticks(kernel) + ticks(user)) / 10'000);
}

std::string TestPort() {
    const char* port = std::getenv("VELKARO_TEST_PORT");
    return port != nullptr ? port : "";
}

SerialHandle OpenLine(const std::string& name) {
    return SerialOpen(name, 115200, 8, kSerialParityNone, kSerialOneStopBit);
}

// The shared cases' far end (serial/testing/far_end.h), for what only Win32 has: the line's
// settings, its time limits and the wait for a byte.
class SerialWin32Test : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_far.Ready()) << "VELKARO_TEST_PORT names '" << m_far.PortName()
                                   << "': run these tests through scripts/test-windows.sh";
        m_handle = m_far.Port();
    }

    std::string Read(uint32_t count) {
        std::string bytes(count, '\0');
        bytes.resize(SerialRead(m_handle, reinterpret_cast<uint8_t*>(bytes.data()), count));
        return bytes;
    }

    HANDLE Port() const { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(m_handle)); }

    void ExpectPortTimeLimits() {
        COMMTIMEOUTS limits{};
        ASSERT_TRUE(GetCommTimeouts(Port(), &limits));
        EXPECT_EQ(limits.ReadIntervalTimeout, 2000u);
        EXPECT_EQ(limits.ReadTotalTimeoutMultiplier, 2000u);
        EXPECT_EQ(limits.ReadTotalTimeoutConstant, 2000u);
        EXPECT_EQ(limits.WriteTotalTimeoutMultiplier, 2000u);
        EXPECT_EQ(limits.WriteTotalTimeoutConstant, 2000u);
    }

    FarEnd m_far;
    SerialHandle m_handle = kInvalidSerialHandle;
};

// Names with a drive, a folder or a path in them name files, never ports: they are refused
// before anything is opened (scripts/wine/cli-check.sh watches the files for opens).
TEST(SerialWin32OpenTest, NamesThatNameNoPortGiveMinusOne) {
    const std::string names[] = {"",
                                 "COM250",
                                 "NOSUCHPORT",
                                 std::string(255, 'C'),
                                 TestPort() + std::string(1, '\0'),
                                 "C:\\windows\\win.ini",
                                 "C:",
                                 "..\\..\\windows\\win.ini",
                                 "/windows/win.ini",
                                 "\\\\.\\" + TestPort(),
                                 "Z:\\tmp"};
    for (const std::string& name : names) {
        const SerialHandle handle = OpenLine(name);
        EXPECT_EQ(handle, kInvalidSerialHandle) << "'" << name << "'";
        if (handle != kInvalidSerialHandle) {
            SerialClose(handle);
        }
    }
}

// Wine does not enforce exclusive opens, so the reopen alone would not catch a handle left
// open; on Windows it does.
TEST(SerialWin32OpenTest, ARefusedLineSettingClosesThePortAgain) {
    ASSERT_FALSE(TestPort().empty());
    EXPECT_EQ(SerialOpen(TestPort(), 115200, 9, kSerialParityNone, kSerialOneStopBit),
              kInvalidSerialHandle);
    const SerialHandle handle = OpenLine(TestPort());
    EXPECT_NE(handle, kInvalidSerialHandle);
    SerialClose(handle);
}

TEST_F(SerialWin32Test, OpenSetsTheLineTheTimeLimitsAndTheEventMaskOnAQuietLine) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(Port(), &dcb));
    EXPECT_EQ(dcb.BaudRate, 115200u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(dcb.fOutxCtsFlow, 0u);
    EXPECT_EQ(dcb.fOutxDsrFlow, 0u);
    EXPECT_EQ(dcb.fOutX, 0u);
    EXPECT_EQ(dcb.fInX, 0u);
    ExpectPortTimeLimits();
    DWORD events = 0;
    ASSERT_TRUE(GetCommMask(Port(), &events));
    EXPECT_EQ(events & EV_RXFLAG, 0u);
    EXPECT_EQ(SerialBytesWaiting(m_handle), 0u);
}

TEST_F(SerialWin32Test, WaitOfNoTimeReturnsAtOnce) {
    const auto start = Clock::now();
    SerialWaitReadable(m_handle, 0);
    EXPECT_LT(Since(start), milliseconds(500));
    ExpectPortTimeLimits();
}

TEST_F(SerialWin32Test, WaitOnAQuietLineSleepsOutItsTime) {
    const auto cpuBefore = ProcessCpuTime();
    const auto start = Clock::now();
    SerialWaitReadable(m_handle, 500);
    const auto waited = Since(start);
    EXPECT_GE(waited, milliseconds(450));
    EXPECT_LT(waited, milliseconds(1500));
    EXPECT_LT(ProcessCpuTime() - cpuBefore, milliseconds(150)) << "the wait kept a processor busy";
    ExpectPortTimeLimits();
}

// The byte the wait caught is counted, read first and in order, and gone after a purge; the
// port's own time limits are back once the wait returns.
TEST_F(SerialWin32Test, WaitReturnsWithTheFirstByteAndKeepsItForTheNextRead) {
    m_far.Send("xyz");
    const auto start = Clock::now();
    SerialWaitReadable(m_handle, 3000);
    EXPECT_LT(Since(start), milliseconds(1000));
    ExpectPortTimeLimits();
    EXPECT_EQ(AwaitWaiting(m_handle, 3, milliseconds(2000)), 3u);
    EXPECT_EQ(Read(2), "xy");
    EXPECT_EQ(SerialBytesWaiting(m_handle), 1u);
    EXPECT_EQ(Read(1), "z");

    m_far.Send("q");
    SerialWaitReadable(m_handle, 3000);
    ASSERT_EQ(SerialBytesWaiting(m_handle), 1u);
    SerialPurge(m_handle);
    EXPECT_EQ(SerialBytesWaiting(m_handle), 0u);
}

// A pulled-out adapter, played by simulated nodes that hang up at the first frame. Reads of a
// device that is gone end at once on Windows and spin inside wine; a wait for a byte must
// sleep out its time either way, rather than hand its caller's loop one early return after
// another.
TEST(SerialWin32HangUpTest, WaitsOnAHungUpPortRunTheirTimeWithoutUsingTheProcessor) {
    const char* port = std::getenv("VELKARO_TEST_HANGUP_PORT");
    ASSERT_NE(port, nullptr) << "run these tests through scripts/test-windows.sh";
    const SerialHandle handle = OpenLine(port);
    ASSERT_NE(handle, kInvalidSerialHandle);
    const HostFrame frame = BuildStatusFrame(ADDR_BROADCAST);
    EXPECT_EQ(SerialWrite(handle, frame.data(), kHostFrameSize), kHostFrameSize);
    std::this_thread::sleep_for(milliseconds(300));

    const auto cpuBefore = ProcessCpuTime();
    const auto start = Clock::now();
    for (int wait = 0; wait < 8; ++wait) {
        SerialWaitReadable(handle, 200);
    }
    EXPECT_GE(Since(start), milliseconds(1550));
    // A spinning wait costs the whole 1600 ms, reading the gone device inside wine about 220 ms;
    // a wait that leaves the port alone costs next to nothing, with room for a busy machine.
    EXPECT_LT(ProcessCpuTime() - cpuBefore, milliseconds(150)) << "the waits kept a processor busy";
    SerialClose(handle);
}

}  // namespace
