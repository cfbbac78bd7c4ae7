// A little-endian pcapng file with one section and one interface: a Section Header Block
// naming the program, an Interface Description Block (link type USER0, microsecond times,
// named after the port) and an Enhanced Packet Block per packet, its direction in the flags.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "record/log_line.h"

inline constexpr uint16_t PCAPNG_LINKTYPE_USER0 = 147;

// The direction bits of an Enhanced Packet Block's flags.
enum class PacketDirection : uint32_t { Inbound = 1, Outbound = 2 };

// Where framed packets go: the trace file, or a test's record.
class PacketSink {
  public:
    virtual ~PacketSink() = default;
    virtual void WritePacket(WallClock::time_point time, PacketDirection direction,
                             const uint8_t* bytes, std::size_t count) = 0;
};

class PcapngWriter : public PacketSink {
  public:
    // Creates or empties the file and writes the section and interface headers; false, with
    // the reason in `error`, when the file cannot be created.
    bool Create(const std::string& path, const std::string& application,
                const std::string& interfaceName, std::string& error);
    // Buffered: on disk after the next Flush().
    void WritePacket(WallClock::time_point time, PacketDirection direction, const uint8_t* bytes,
                     std::size_t count) override;
    // False once any write has failed.
    bool Flush();

  private:
    void WriteBlock(uint32_t type);

    std::ofstream m_file;
    std::vector<uint8_t> m_block;  // the block being built
};
