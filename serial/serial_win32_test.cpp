// The Win32 serial link against real bytes: the port named by VELKARO_TEST_PORT is a COM port
// that the test run mapped to the pseudo-terminal of Linux node simulators (nodes 00-0f) that
// also echo every byte they receive.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "protocol/frame.h"
#include "serial/serial.h"
#include "serial/testing/hook_recorder.h"
#include "serial/tick.h"

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kNodeCount = 16;
// The echoed frame and one reply from each node.
constexpr uint32_t kAnswerSize = kHostFrameSize + kNodeCount * kReplyFrameSize;
// Unlock replies come one interval apart: node a answers (a + 1) intervals after the frame.
constexpr int32_t kUnlockIntervalMs = 50;

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

HostFrame UnlockAllFrame() {
    return BuildUnlockFrame(ADDR_BROADCAST, {500, kUnlockIntervalMs, 1, 0});
}

class SerialWin32Test : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(TestPort().empty())
            << "VELKARO_TEST_PORT names no port: run these tests through scripts/test-windows.sh";
        g_txCalls.clear();
        g_rxCalls.clear();
        m_handle = OpenLine(TestPort());
        ASSERT_NE(m_handle, kInvalidSerialHandle) << TestPort();
        WaitForAQuietLine();
    }
    void TearDown() override {
        SerialSetHooks(nullptr, nullptr);
        SetTickOffset(0);
        if (m_handle != kInvalidSerialHandle) {
            SerialClose(m_handle);
        }
    }

    // Replies to an earlier test's frame may still be on their way.
    void WaitForAQuietLine() {
        for (int round = 0; round < 20; ++round) {
            SerialPurge(m_handle);
            std::this_thread::sleep_for(milliseconds(100));
            if (SerialBytesWaiting(m_handle) == 0) {
                return;
            }
        }
        FAIL() << "the far end keeps sending";
    }

    void Send(const std::string& bytes) {
        ASSERT_EQ(SerialWrite(m_handle, reinterpret_cast<const uint8_t*>(bytes.data()),
                              static_cast<uint32_t>(bytes.size())),
                  bytes.size());
    }
    void Send(const HostFrame& frame) {
        ASSERT_EQ(SerialWrite(m_handle, frame.data(), kHostFrameSize), kHostFrameSize);
    }

    // Waits, without spinning, until `count` bytes are waiting or `timeout` has passed.
    uint32_t AwaitWaiting(uint32_t count, milliseconds timeout) {
        const auto start = Clock::now();
        uint32_t waiting = SerialBytesWaiting(m_handle);
        while (waiting < count && Since(start) < timeout) {
            std::this_thread::sleep_for(milliseconds(5));
            waiting = SerialBytesWaiting(m_handle);
        }
        return waiting;
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

TEST_F(SerialWin32Test, BytesWaitingCountsArrivalsReadsAndPurge) {
    Send("abc");
    EXPECT_EQ(AwaitWaiting(3, milliseconds(2000)), 3u);
    EXPECT_EQ(Read(1), "a");
    EXPECT_EQ(SerialBytesWaiting(m_handle), 2u);
    SerialPurge(m_handle);
    EXPECT_EQ(SerialBytesWaiting(m_handle), 0u);
}

TEST_F(SerialWin32Test, WriteSendsTheFrameAndShowsItToTheTransmitHook) {
    SerialSetHooks(RecordTx, nullptr);
    const HostFrame frame = BuildStatusFrame(ADDR_BROADCAST);
    EXPECT_EQ(SerialWrite(m_handle, frame.data(), kHostFrameSize), kHostFrameSize);
    ASSERT_EQ(g_txCalls.size(), 1u);
    EXPECT_EQ(g_txCalls[0].bytes, std::vector<uint8_t>(frame.begin(), frame.end()));
    EXPECT_EQ(g_txCalls[0].count, kHostFrameSize);
    const std::string echoed = Read(kHostFrameSize);
    EXPECT_EQ(echoed, std::string(frame.begin(), frame.end())) << "the frame went on the wire";
}

TEST_F(SerialWin32Test, ReadThatTimesOutReturnsWhatArrivedAndTheHookStillGetsTheCountAsked) {
    Send("xy");
    SerialSetHooks(nullptr, RecordRx);
    const auto start = Clock::now();
    EXPECT_EQ(Read(5), "xy");
    EXPECT_GE(Since(start), milliseconds(1900)) << "gave up before the interval limit";
    ASSERT_EQ(g_rxCalls.size(), 1u);
    EXPECT_EQ(g_rxCalls[0].count, 5u);
}

TEST_F(SerialWin32Test, SingleByteReadAndWrite) {
    SerialSetHooks(RecordTx, RecordRx);
    EXPECT_EQ(SerialReadByte(m_handle), 0) << "nothing waiting";
    EXPECT_TRUE(g_rxCalls.empty());
    SerialWriteByte(m_handle, 'z');
    ASSERT_EQ(AwaitWaiting(1, milliseconds(2000)), 1u);
    EXPECT_EQ(SerialReadByte(m_handle), 'z');
    ASSERT_EQ(g_txCalls.size(), 1u);
    EXPECT_EQ(g_txCalls[0].count, 1u);
    ASSERT_EQ(g_rxCalls.size(), 1u);
    EXPECT_EQ(g_rxCalls[0].bytes, std::vector<uint8_t>{'z'});
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
    Send("xyz");
    const auto start = Clock::now();
    SerialWaitReadable(m_handle, 3000);
    EXPECT_LT(Since(start), milliseconds(1000));
    ExpectPortTimeLimits();
    EXPECT_EQ(AwaitWaiting(3, milliseconds(2000)), 3u);
    EXPECT_EQ(Read(2), "xy");
    EXPECT_EQ(SerialBytesWaiting(m_handle), 1u);
    EXPECT_EQ(Read(1), "z");

    Send("q");
    SerialWaitReadable(m_handle, 3000);
    ASSERT_EQ(SerialBytesWaiting(m_handle), 1u);
    SerialPurge(m_handle);
    EXPECT_EQ(SerialBytesWaiting(m_handle), 0u);
}

TEST_F(SerialWin32Test, ReadTimedReturnsOneAsSoonAsTheLastByteIsRead) {
    Send(UnlockAllFrame());
    std::vector<uint8_t> answer(kAnswerSize);
    const auto start = Clock::now();
    EXPECT_EQ(SerialReadTimed(m_handle, answer.data(), kAnswerSize, 5000), 1);
    const auto took = Since(start);
    EXPECT_GE(took, milliseconds(kNodeCount * kUnlockIntervalMs - 100));
    EXPECT_LT(took, milliseconds(4000));
    EXPECT_EQ(answer[kHostFrameSize], FRAME_HEAD_NODE);
}

// The replies come one interval apart, far within the limit of each other, but the limit
// covers the whole call.
TEST_F(SerialWin32Test, ReadTimedLimitCoversTheWholeCall) {
    Send(UnlockAllFrame());
    std::vector<uint8_t> answer(kAnswerSize);
    const auto start = Clock::now();
    EXPECT_EQ(SerialReadTimed(m_handle, answer.data(), kAnswerSize, 300), 0);
    const auto took = Since(start);
    EXPECT_GE(took, milliseconds(280));
    EXPECT_LT(took, milliseconds(kNodeCount * kUnlockIntervalMs));
    EXPECT_EQ(answer[0], FRAME_HEAD_HOST) << "bytes read before the time-out stay";
}

TEST_F(SerialWin32Test, ReadTimedRunsOnAcrossATickCounterWrap) {
    SetTickOffset(0);
    SetTickOffset(0xFFFFFFFFu - 100u - TickNow());
    const uint32_t before = TickNow();
    Send(UnlockAllFrame());
    std::vector<uint8_t> answer(kAnswerSize);
    EXPECT_EQ(SerialReadTimed(m_handle, answer.data(), kAnswerSize, 5000), 1);
    EXPECT_LT(TickNow(), before) << "the counter did wrap during the call";
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
