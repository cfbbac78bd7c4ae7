// The serial link's contract, the same cases on every platform through the far end that the
// build picks (serial/testing/far_end.h): real bytes through the real serial code each time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/serial.h"
#include "serial/testing/far_end.h"
#include "serial/testing/hook_recorder.h"
#include "serial/tick.h"

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

class SerialLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_txCalls.clear();
        g_rxCalls.clear();
        ASSERT_TRUE(m_far.Ready()) << "port '" << m_far.PortName()
                                   << "' (on Windows run these tests through "
                                      "scripts/test-windows.sh, which names the port)";
    }
    void TearDown() override {
        SerialSetHooks(nullptr, nullptr);
        SetTickOffset(0);
    }

    std::string Read(uint32_t count) {
        std::string bytes(count, '\0');
        bytes.resize(SerialRead(Port(), reinterpret_cast<uint8_t*>(bytes.data()), count));
        return bytes;
    }
    SerialHandle Port() const { return m_far.Port(); }

    FarEnd m_far;
};

TEST_F(SerialLinkTest, BytesWaitingCountsArrivalsReadsAndPurge) {
    m_far.Send("abc");
    EXPECT_EQ(AwaitWaiting(Port(), 3, milliseconds(2000)), 3u);
    EXPECT_EQ(Read(1), "a");
    EXPECT_EQ(SerialBytesWaiting(Port()), 2u);
    EXPECT_TRUE(SerialPurge(Port()));
    EXPECT_EQ(SerialBytesWaiting(Port()), 0u);
}

TEST_F(SerialLinkTest, WriteSendsTheFrameAndShowsItToTheTransmitHook) {
    SerialSetHooks(RecordTx, RecordRx);
    const std::vector<uint8_t> frame = {0xA5, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xA4};
    EXPECT_EQ(SerialWrite(Port(), frame.data(), 7), 7u);
    ASSERT_EQ(g_txCalls.size(), 1u);
    EXPECT_EQ(g_txCalls[0].count, 7u);
    EXPECT_EQ(g_txCalls[0].bytes, frame);
    EXPECT_TRUE(g_rxCalls.empty());
    EXPECT_EQ(m_far.Receive(7, milliseconds(2000)), std::string(frame.begin(), frame.end()))
        << "the frame went on the wire";
}

// The one slow case: the read gives up 2 s after its last byte, well before its total limit.
TEST_F(SerialLinkTest, ReadThatTimesOutReturnsWhatArrivedAndTheHookStillGetsTheCountAsked) {
    SerialSetHooks(RecordTx, RecordRx);
    m_far.Send("xy");
    const auto start = Clock::now();
    EXPECT_EQ(Read(5), "xy");
    const milliseconds elapsed = Since(start);
    EXPECT_GE(elapsed, milliseconds(1900)) << "gave up before the interval limit";
    EXPECT_LT(elapsed, milliseconds(4500));
    ASSERT_EQ(g_rxCalls.size(), 1u);
    EXPECT_EQ(g_rxCalls[0].count, 5u);
    EXPECT_EQ(g_rxCalls[0].bytes[0], 'x');
}

TEST_F(SerialLinkTest, SingleByteReadAndWrite) {
    SerialSetHooks(RecordTx, RecordRx);
    // Neither byte is a frame's head, which would make the simulated nodes take the next
    // test's frame for the rest of one.
    SerialWriteByte(Port(), 'z');
    EXPECT_EQ(m_far.Receive(1, milliseconds(2000)), "z");
    ASSERT_EQ(g_txCalls.size(), 1u);
    EXPECT_EQ(g_txCalls[0].count, 1u);
    EXPECT_EQ(g_txCalls[0].bytes, std::vector<uint8_t>{'z'});

    EXPECT_EQ(SerialReadByte(Port()), 0u) << "nothing waiting: nothing read, no hook call";
    EXPECT_TRUE(g_rxCalls.empty());
    m_far.Send("\x42");
    ASSERT_EQ(AwaitWaiting(Port(), 1, milliseconds(2000)), 1u);
    EXPECT_EQ(SerialReadByte(Port()), 0x42u);
    ASSERT_EQ(g_rxCalls.size(), 1u);
    EXPECT_EQ(g_rxCalls[0].count, 1u);
    EXPECT_EQ(g_rxCalls[0].bytes, std::vector<uint8_t>{0x42});
}

TEST_F(SerialLinkTest, ReadTimedReturnsOneAsSoonAsTheLastByteIsRead) {
    const PacedBytes paced = m_far.SendPaced();
    std::string buffer(paced.count, '\0');
    const auto start = Clock::now();
    EXPECT_EQ(SerialReadTimed(Port(), reinterpret_cast<uint8_t*>(buffer.data()), paced.count, 5000),
              1);
    const milliseconds took = Since(start);
    EXPECT_GE(took, paced.lastSent - milliseconds(100));
    EXPECT_LT(took, paced.lastSent + paced.lateness);
    EXPECT_EQ(buffer.substr(0, paced.head.size()), paced.head);
}

// The pieces come far within the limit of each other, yet the limit covers the whole call.
TEST_F(SerialLinkTest, ReadTimedLimitCoversTheWholeCall) {
    const ShortReadLimit limit = FarEnd::ShortLimit();
    const PacedBytes paced = m_far.SendPaced();
    std::string buffer(paced.count, '\0');
    const auto start = Clock::now();
    EXPECT_EQ(
        SerialReadTimed(Port(), reinterpret_cast<uint8_t*>(buffer.data()), paced.count, limit.ms),
        0);
    const milliseconds took = Since(start);
    EXPECT_GE(took, milliseconds(limit.ms) - limit.early);
    EXPECT_LT(took, paced.lastSent);
    EXPECT_EQ(buffer[0], paced.head[0]) << "bytes read before the time-out stay";
}

TEST_F(SerialLinkTest, ReadTimedRunsOnAcrossATickCounterWrap) {
    SetTickOffset(0);
    SetTickOffset(0xFFFFFFFFu - 100u - TickNow());
    const uint32_t before = TickNow();
    const PacedBytes paced = m_far.SendPaced();
    std::string buffer(paced.count, '\0');
    EXPECT_EQ(SerialReadTimed(Port(), reinterpret_cast<uint8_t*>(buffer.data()), paced.count, 5000),
              1);
    EXPECT_LT(TickNow(), before) << "the counter did wrap during the call";
    EXPECT_EQ(buffer.substr(0, paced.head.size()), paced.head);
}

}  // namespace
