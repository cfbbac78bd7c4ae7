#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "record/bus_trace.h"
#include "record/inbound_framer.h"
#include "record/pcapng_writer.h"
#include "res/version.h"
#include "serial/serial.h"

namespace {

using Bytes = std::vector<uint8_t>;
using std::chrono::microseconds;

uint32_t Word(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t Half(const Bytes& b, std::size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

struct Block {
    uint32_t type;
    Bytes body;  // between the leading and the trailing total length
};

// Reads the blocks back, checking that each block's two lengths agree and are 32-bit aligned.
std::vector<Block> ReadBlocks(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<Block> blocks;
    for (std::size_t at = 0; at < bytes.size();) {
        const uint32_t total = Word(bytes, at + 4);
        EXPECT_EQ(total % 4, 0u);
        EXPECT_LE(at + total, bytes.size());
        EXPECT_EQ(Word(bytes, at + total - 4), total);
        blocks.push_back(
            {Word(bytes, at), Bytes(bytes.begin() + static_cast<long>(at) + 8,
                                    bytes.begin() + static_cast<long>(at + total) - 4)});
        at += total;
    }
    return blocks;
}

// The options of a block, starting at `at` of its body: code to value.
std::map<uint16_t, Bytes> Options(const Bytes& body, std::size_t at) {
    std::map<uint16_t, Bytes> options;
    while (at + 4 <= body.size()) {
        const uint16_t code = Half(body, at);
        const uint16_t length = Half(body, at + 2);
        if (code == 0) {
            break;
        }
        options[code] = Bytes(body.begin() + static_cast<long>(at) + 4,
                              body.begin() + static_cast<long>(at) + 4 + length);
        at += 4 + (length + 3u) / 4 * 4;
    }
    return options;
}

std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

struct Packet {
    WallClock::time_point time;
    PacketDirection direction;
    Bytes bytes;
};

// An Enhanced Packet Block read back.
Packet ReadPacket(const Block& block) {
    EXPECT_EQ(block.type, 6u);
    EXPECT_EQ(Word(block.body, 0), 0u);  // the one interface
    const uint64_t micros = static_cast<uint64_t>(Word(block.body, 4)) << 32 | Word(block.body, 8);
    const uint32_t captured = Word(block.body, 12);
    EXPECT_EQ(Word(block.body, 16), captured);
    const Bytes data(block.body.begin() + 20, block.body.begin() + 20 + captured);
    const Bytes flags = Options(block.body, 20 + (captured + 3) / 4 * 4)[2];
    EXPECT_EQ(flags.size(), 4u);
    return {WallClock::time_point(microseconds(micros)),
            static_cast<PacketDirection>(flags.size() == 4 ? Word(flags, 0) : 0), data};
}

class RecordingSink : public PacketSink {
  public:
    void WritePacket(WallClock::time_point time, PacketDirection direction, const uint8_t* bytes,
                     std::size_t count) override {
        packets.push_back({time, direction, Bytes(bytes, bytes + count)});
    }
    std::vector<Packet> packets;
};

class TraceFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("velkaro-trace-" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override {
        std::string ignored;
        StopBusTrace(ignored);
        std::filesystem::remove_all(m_dir);
    }

    std::filesystem::path m_dir;
};

const WallClock::time_point T0 = WallClock::from_time_t(1'765'000'000) + microseconds(123'456);

}  // namespace

TEST_F(TraceFileTest, HeadersNameTheProgramAndThePortAndPacketsKeepTimeDirectionAndBytes) {
    PcapngWriter writer;
    std::string error;
    ASSERT_TRUE(
        writer.Create((m_dir / "t.pcapng").string(), "velkaro-cli 9.9", "/dev/pts/7", error))
        << error;
    const Bytes poll = {0xA5, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xA4};
    const Bytes reply = {0x5A, 0x03, 0x00, 0x01, 0x5E};
    writer.WritePacket(T0, PacketDirection::Outbound, poll.data(), poll.size());
    writer.WritePacket(T0 + microseconds(4'321), PacketDirection::Inbound, reply.data(),
                       reply.size());
    ASSERT_TRUE(writer.Flush());

    const std::vector<Block> blocks = ReadBlocks(m_dir / "t.pcapng");
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[0].type, 0x0A0D0D0Au);
    EXPECT_EQ(Word(blocks[0].body, 0), 0x1A2B3C4Du);
    EXPECT_EQ(Half(blocks[0].body, 4), 1);
    EXPECT_EQ(Half(blocks[0].body, 6), 0);
    EXPECT_EQ(Text(Options(blocks[0].body, 16)[4]), "velkaro-cli 9.9");

    EXPECT_EQ(blocks[1].type, 1u);
    EXPECT_EQ(Half(blocks[1].body, 0), 147);
    auto interfaceOptions = Options(blocks[1].body, 8);
    EXPECT_EQ(Text(interfaceOptions[2]), "/dev/pts/7");
    EXPECT_EQ(interfaceOptions[9], Bytes{6});

    const Packet sent = ReadPacket(blocks[2]);
    EXPECT_EQ(sent.time, T0);
    EXPECT_EQ(sent.direction, PacketDirection::Outbound);
    EXPECT_EQ(sent.bytes, poll);
    const Packet received = ReadPacket(blocks[3]);
    EXPECT_EQ(received.time, T0 + microseconds(4'321));
    EXPECT_EQ(received.direction, PacketDirection::Inbound);
    EXPECT_EQ(received.bytes, reply);
}

TEST(InboundFramerTest, CutsTheReceivedBytesAsTheReplyFramingSeesThem) {
    struct Case {
        const char* name;
        Bytes received;
        std::vector<Bytes> packets;  // after the bytes and EndNoise()
    };
    const Case cases[] = {
        {"reply", {0x5A, 0x03, 0x00, 0x01, 0x5E}, {{0x5A, 0x03, 0x00, 0x01, 0x5E}}},
        {"bad checksum is still a frame",
         {0x5A, 0x03, 0x00, 0x01, 0x5F},
         {{0x5A, 0x03, 0x00, 0x01, 0x5F}}},
        {"host-headed frame",
         {0xA5, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xA4},
         {{0xA5, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xA4}}},
        {"noise then reply",
         {0x00, 0x37, 0x5A, 0x10, 0x00, 0x00, 0x6A},
         {{0x00, 0x37}, {0x5A, 0x10, 0x00, 0x00, 0x6A}}},
        {"a head inside a frame is data",
         {0x5A, 0x5A, 0x03, 0x00, 0x01, 0x5E},
         {{0x5A, 0x5A, 0x03, 0x00, 0x01}, {0x5E}}},
        {"noise only", {0x01, 0x02, 0x03}, {{0x01, 0x02, 0x03}}},
        {"cut-off frame waits", {0x5A, 0x03}, {}},
    };
    for (const Case& c : cases) {
        RecordingSink sink;
        InboundFramer framer(sink);
        for (uint8_t b : c.received) {
            framer.Feed(b, T0);
        }
        framer.EndNoise();
        std::vector<Bytes> packets;
        for (const Packet& p : sink.packets) {
            packets.push_back(p.bytes);
            EXPECT_EQ(p.direction, PacketDirection::Inbound) << c.name;
        }
        EXPECT_EQ(packets, c.packets) << c.name;
    }
}

TEST(InboundFramerTest, StampsEachPacketWithItsLastBytesTimeAndFinishesACutOffFrame) {
    RecordingSink sink;
    InboundFramer framer(sink);
    const Bytes bytes = {0x00, 0x11, 0x5A, 0x03, 0x00, 0x01, 0x5E, 0x5A, 0x07};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        framer.Feed(bytes[i], T0 + microseconds(100 * i));
    }
    framer.EndNoise();  // a transaction ends: the frame cut off stays
    ASSERT_EQ(sink.packets.size(), 2u);
    EXPECT_EQ(sink.packets[0].time, T0 + microseconds(100));
    EXPECT_EQ(sink.packets[1].time, T0 + microseconds(600));
    framer.Finish();
    ASSERT_EQ(sink.packets.size(), 3u);
    EXPECT_EQ(sink.packets[2].bytes, (Bytes{0x5A, 0x07}));
    EXPECT_EQ(sink.packets[2].time, T0 + microseconds(800));
}

TEST_F(TraceFileTest, TheTraceRecordsWhatPassesTheHooksUntilItStops) {
    std::string error;
    ASSERT_TRUE(StartBusTrace((m_dir / "bus.pcapng").string(), "Velkaro", "COM7", error)) << error;
    ASSERT_TRUE(BusTraceRunning());
    const SerialMonitorHook sent = g_pfnSerialTxHook.load();
    const SerialMonitorHook received = g_pfnSerialRxHook.load();
    ASSERT_NE(sent, nullptr);
    ASSERT_NE(received, nullptr);
    const Bytes status = {0xA5, 0x05, 0x00, 0x00, 0x00, 0x00, 0xAA};
    const Bytes answer = {0x99, 0x5A, 0x05, 0x00, 0x00, 0x5F, 0x5A};
    sent(status.data(), static_cast<uint32_t>(status.size()));
    for (uint8_t b : answer) {
        received(&b, 1);
    }
    FlushBusTrace();
    // Flushed after a transaction: the file holds all but the frame that has only begun.
    EXPECT_EQ(ReadBlocks(m_dir / "bus.pcapng").size(), 5u);
    ASSERT_TRUE(StopBusTrace(error)) << error;
    EXPECT_FALSE(BusTraceRunning());
    EXPECT_EQ(g_pfnSerialTxHook.load(), nullptr);
    EXPECT_EQ(g_pfnSerialRxHook.load(), nullptr);

    const std::vector<Block> blocks = ReadBlocks(m_dir / "bus.pcapng");
    ASSERT_EQ(blocks.size(), 6u);
    EXPECT_EQ(Text(Options(blocks[0].body, 16)[4]), std::string("Velkaro ") + res::kVersionText);
    EXPECT_EQ(Text(Options(blocks[1].body, 8)[2]), "COM7");
    const std::vector<std::pair<PacketDirection, Bytes>> expected = {
        {PacketDirection::Outbound, status},
        {PacketDirection::Inbound, {0x99}},
        {PacketDirection::Inbound, {0x5A, 0x05, 0x00, 0x00, 0x5F}},
        {PacketDirection::Inbound, {0x5A}},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Packet packet = ReadPacket(blocks[2 + i]);
        EXPECT_EQ(packet.direction, expected[i].first) << i;
        EXPECT_EQ(packet.bytes, expected[i].second) << i;
    }
}

TEST_F(TraceFileTest, AFileThatCannotBeCreatedStartsNoTrace) {
    std::string error;
    EXPECT_FALSE(
        StartBusTrace((m_dir / "missing" / "t.pcapng").string(), "Velkaro", "COM7", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(BusTraceRunning());
    EXPECT_EQ(g_pfnSerialRxHook.load(), nullptr);
}
