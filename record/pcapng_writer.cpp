#include "record/pcapng_writer.h"

#include <algorithm>

#include "record/output_file.h"

namespace {

constexpr uint32_t BLOCK_SECTION_HEADER = 0x0A0D0D0A;
constexpr uint32_t BLOCK_INTERFACE_DESCRIPTION = 0x00000001;
constexpr uint32_t BLOCK_ENHANCED_PACKET = 0x00000006;
constexpr uint32_t BYTE_ORDER_MAGIC = 0x1A2B3C4D;
constexpr uint16_t OPTION_END = 0;
constexpr uint16_t SHB_USER_APPLICATION = 4;
constexpr uint16_t IF_NAME = 2;
constexpr uint16_t IF_TIME_RESOLUTION = 9;
constexpr uint8_t MICROSECONDS = 6;  // 10^-6 s
constexpr uint16_t EPB_FLAGS = 2;

void PutBytes(std::vector<uint8_t>& out, const void* bytes, std::size_t count) {
    const auto* begin = static_cast<const uint8_t*>(bytes);
    out.insert(out.end(), begin, begin + count);
}

template <typename Word>
void PutLittleEndian(std::vector<uint8_t>& out, Word value) {
    for (std::size_t i = 0; i < sizeof(Word); ++i) {
        out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i)));
    }
}

void PadTo32Bits(std::vector<uint8_t>& out) {
    while (out.size() % 4 != 0) {
        out.push_back(0);
    }
}

void PutOption(std::vector<uint8_t>& out, uint16_t code, const void* value, std::size_t length) {
    PutLittleEndian<uint16_t>(out, code);
    PutLittleEndian<uint16_t>(out, static_cast<uint16_t>(length));
    PutBytes(out, value, length);
    PadTo32Bits(out);
}

void PutTextOption(std::vector<uint8_t>& out, uint16_t code, const std::string& text) {
    // An option's length is 16 bits; a name longer than that is cut.
    PutOption(out, code, text.data(), std::min<std::size_t>(text.size(), 0xFFFC));
}

void PutEndOfOptions(std::vector<uint8_t>& out) {
    PutLittleEndian<uint16_t>(out, OPTION_END);
    PutLittleEndian<uint16_t>(out, 0);
}

// Starts a block: room for its type and total length, filled in by WriteBlock.
void BeginBlock(std::vector<uint8_t>& out) {
    out.assign(8, 0);
}

void PutWordAt(std::vector<uint8_t>& out, std::size_t at, uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

}  // namespace

bool PcapngWriter::Create(const std::string& path, const std::string& application,
                          const std::string& interfaceName, std::string& error) {
    if (!CreateOutputFile(m_file, path, error)) {
        return false;
    }
    BeginBlock(m_block);
    PutLittleEndian<uint32_t>(m_block, BYTE_ORDER_MAGIC);
    PutLittleEndian<uint16_t>(m_block, 1);  // version 1.0
    PutLittleEndian<uint16_t>(m_block, 0);
    PutLittleEndian<int64_t>(m_block, -1);  // section length not given
    PutTextOption(m_block, SHB_USER_APPLICATION, application);
    PutEndOfOptions(m_block);
    WriteBlock(BLOCK_SECTION_HEADER);

    BeginBlock(m_block);
    PutLittleEndian<uint16_t>(m_block, PCAPNG_LINKTYPE_USER0);
    PutLittleEndian<uint16_t>(m_block, 0);  // reserved
    PutLittleEndian<uint32_t>(m_block, 0);  // no snapshot limit
    PutTextOption(m_block, IF_NAME, interfaceName);
    PutOption(m_block, IF_TIME_RESOLUTION, &MICROSECONDS, 1);
    PutEndOfOptions(m_block);
    WriteBlock(BLOCK_INTERFACE_DESCRIPTION);
    if (!Flush()) {
        error = FileErrorText();
        return false;
    }
    return true;
}

void PcapngWriter::WritePacket(WallClock::time_point time, PacketDirection direction,
                               const uint8_t* bytes, std::size_t count) {
    const auto micros = static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch()).count());
    BeginBlock(m_block);
    PutLittleEndian<uint32_t>(m_block, 0);  // the one interface
    PutLittleEndian<uint32_t>(m_block, static_cast<uint32_t>(micros >> 32));
    PutLittleEndian<uint32_t>(m_block, static_cast<uint32_t>(micros));
    PutLittleEndian<uint32_t>(m_block, static_cast<uint32_t>(count));  // captured
    PutLittleEndian<uint32_t>(m_block, static_cast<uint32_t>(count));  // on the wire
    PutBytes(m_block, bytes, count);
    PadTo32Bits(m_block);
    PutLittleEndian<uint16_t>(m_block, EPB_FLAGS);
    PutLittleEndian<uint16_t>(m_block, 4);
    PutLittleEndian<uint32_t>(m_block, static_cast<uint32_t>(direction));
    PutEndOfOptions(m_block);
    WriteBlock(BLOCK_ENHANCED_PACKET);
}

void PcapngWriter::WriteBlock(uint32_t type) {
    const auto total = static_cast<uint32_t>(m_block.size() + 4);
    PutWordAt(m_block, 0, type);
    PutWordAt(m_block, 4, total);
    PutLittleEndian<uint32_t>(m_block, total);
    m_file.write(reinterpret_cast<const char*>(m_block.data()),
                 static_cast<std::streamsize>(m_block.size()));
}

bool PcapngWriter::Flush() {
    m_file.flush();
    return static_cast<bool>(m_file);
}
