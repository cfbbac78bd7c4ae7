#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <thread>
#include <vector>

#include "serial/serial.h"
#include "serial/serial_test_support.h"
#include "serial/testing/hook_recorder.h"
#include "serial/tick.h"

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// Sends the pieces from another thread, `gap` apart, the first after one gap.
class Feeder {
  public:
    Feeder(PtyPair& pty, std::vector<std::string> pieces, milliseconds gap)
        : m_thread([&pty, pieces = std::move(pieces), gap] {
              for (const std::string& piece : pieces) {
                  std::this_thread::sleep_for(gap);
                  pty.Send(piece);
              }
          }) {}
    ~Feeder() { m_thread.join(); }

  private:
    std::thread m_thread;
};

// Writes until the line's buffers take no more, even after a pause: the pseudo-terminal
// moves bytes on to the far end's buffer in the background.
void FillOutput(SerialHandle handle) {
    const std::vector<uint8_t> filler(4096, 0x55);
    bool tookMore = true;
    while (tookMore) {
        tookMore = false;
        while (write(handle, filler.data(), filler.size()) > 0) {
            tookMore = true;
        }
        std::this_thread::sleep_for(milliseconds(50));
    }
}

class SerialIoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_txCalls.clear();
        g_rxCalls.clear();
        m_handle = OpenLine(m_pty.SlavePath());
        ASSERT_NE(m_handle, kInvalidSerialHandle);
    }
    void TearDown() override {
        SerialSetHooks(nullptr, nullptr);
        SetTickOffset(0);
        SerialClose(m_handle);
    }

    PtyPair m_pty;
    SerialHandle m_handle = kInvalidSerialHandle;
};

TEST_F(SerialIoTest, ReadReturnsOnceAllBytesArrivedInPieces) {
    SerialSetHooks(RecordTx, RecordRx);
    Feeder feeder(m_pty, {"ab", "cd", "e"}, milliseconds(50));
    uint8_t buffer[5] = {};
    const auto start = Clock::now();
    EXPECT_EQ(SerialRead(m_handle, buffer, 5), 5u);
    EXPECT_LT(Since(start), milliseconds(1500));
    EXPECT_EQ(std::string(buffer, buffer + 5), "abcde");
    ASSERT_EQ(g_rxCalls.size(), 1u);
    EXPECT_EQ(g_rxCalls[0].count, 5u);
}

// The far end reads nothing, so once the line's buffers are full a write cannot move; it
// must give up at its limit (2000 ms per byte plus 2000 ms) rather than hang.
TEST_F(SerialIoTest, WriteToAStalledLineGivesUpAtItsLimit) {
    SerialSetHooks(RecordTx, RecordRx);
    FillOutput(m_handle);
    const uint8_t byte = 0xA5;
    const auto start = Clock::now();
    EXPECT_EQ(SerialWrite(m_handle, &byte, 1), 0u);
    const milliseconds elapsed = Since(start);
    EXPECT_GE(elapsed, milliseconds(3900));
    EXPECT_LT(elapsed, milliseconds(8000));
    ASSERT_EQ(g_txCalls.size(), 1u);
    EXPECT_EQ(g_txCalls[0].count, 1u);
}

TEST_F(SerialIoTest, WaitReadableReturnsWhenAByteArrivesOrWhenTheTimeIsUp) {
    {
        Feeder feeder(m_pty, {"z"}, milliseconds(100));
        const auto start = Clock::now();
        SerialWaitReadable(m_handle, 3000);
        EXPECT_LT(Since(start), milliseconds(1500));
        EXPECT_EQ(SerialBytesWaiting(m_handle), 1u);
    }
    SerialPurge(m_handle);
    const auto start = Clock::now();
    SerialWaitReadable(m_handle, 200);
    EXPECT_GE(Since(start), milliseconds(195));
}

// Pulling out a USB adapter hangs the port up; closing a pty's master does the same.
class HungUpPortTest : public SerialIoTest {
  protected:
    void SetUp() override {
        SerialIoTest::SetUp();
        m_pty.CloseMaster();
    }
};

TEST_F(SerialIoTest, HungUpTellsWhenTheFarEndWentAway) {
    m_pty.Send("x");
    EXPECT_FALSE(SerialHungUp(m_handle));
    m_pty.CloseMaster();
    EXPECT_TRUE(SerialHungUp(m_handle)) << "also with a byte still unread";
}

TEST_F(HungUpPortTest, WaitsRunTheirTimeWithoutUsingTheProcessor) {
    uint8_t byte = 0;
    const std::function<void()> waits[] = {
        [&] { SerialWaitReadable(m_handle, 300); },
        [&] { EXPECT_EQ(SerialReadTimed(m_handle, &byte, 1, 300), 0); },
    };
    for (const auto& wait : waits) {
        const auto cpuBefore = ProcessCpuTime();
        const auto start = Clock::now();
        wait();
        EXPECT_GE(Since(start), milliseconds(295));
        EXPECT_LT(ProcessCpuTime() - cpuBefore, milliseconds(100));
    }
}

TEST_F(HungUpPortTest, TransfersFailAtOnceAndTheHooksStillSeeThem) {
    SerialSetHooks(RecordTx, RecordRx);
    const uint8_t frame[7] = {0xA5, 0x01, 0x00, 0x00, 0x00, 0x00, 0xA6};
    uint8_t buffer[1] = {};
    const auto start = Clock::now();
    EXPECT_EQ(SerialWrite(m_handle, frame, 7), 0u);
    EXPECT_EQ(SerialRead(m_handle, buffer, 1), 0u);
    EXPECT_LT(Since(start), milliseconds(1000));
    EXPECT_EQ(SerialBytesWaiting(m_handle), 0u);
    ASSERT_EQ(g_txCalls.size(), 1u);
    EXPECT_EQ(g_txCalls[0].count, 7u);
    ASSERT_EQ(g_rxCalls.size(), 1u);
    EXPECT_EQ(g_rxCalls[0].count, 1u);
}

// An idle port's wait ends on a wake or on the hang-up, at once, and not on bytes arriving.
TEST_F(SerialIoTest, IdleWaitEndsOnAWakeOrTheHangUpButNotOnBytes) {
    SerialIdleWait idle;
    idle.Wake();
    auto start = Clock::now();
    EXPECT_FALSE(idle.Wait(m_handle)) << "a wake before the wait ends it at once";
    EXPECT_LT(Since(start), milliseconds(100));

    std::thread waker([&] {
        std::this_thread::sleep_for(milliseconds(100));
        m_pty.Send("stray bytes");
        std::this_thread::sleep_for(milliseconds(200));
        idle.Wake();
    });
    start = Clock::now();
    EXPECT_FALSE(idle.Wait(m_handle));
    EXPECT_GE(Since(start), milliseconds(290)) << "the bytes at 100 ms ended the wait";
    waker.join();

    std::thread puller([&] {
        std::this_thread::sleep_for(milliseconds(100));
        m_pty.CloseMaster();
    });
    const auto cpuBefore = ProcessCpuTime();
    start = Clock::now();
    EXPECT_TRUE(idle.Wait(m_handle));
    EXPECT_LT(Since(start), milliseconds(300)) << "the hang-up at 100 ms";
    EXPECT_LT(ProcessCpuTime() - cpuBefore, milliseconds(50));
    puller.join();
}

}  // namespace
