#include "nodesim/command_reader.h"

CommandReader::CommandReader(std::size_t maxLineLength,
                             std::function<void(const std::string&)> onLine,
                             std::function<void()> onLineTooLong)
    : m_maxLineLength(maxLineLength),
      m_onLine(std::move(onLine)),
      m_onLineTooLong(std::move(onLineTooLong)) {}

void CommandReader::Feed(std::string_view bytes) {
    for (auto end = bytes.find('\n'); end != std::string_view::npos; end = bytes.find('\n')) {
        TakeLinePiece(bytes.substr(0, end));
        if (!m_droppingLine) {
            m_onLine(m_line);
        }
        m_line.clear();
        m_droppingLine = false;
        bytes.remove_prefix(end + 1);
    }
    TakeLinePiece(bytes);
}

void CommandReader::TakeLinePiece(std::string_view piece) {
    if (m_droppingLine) {
        return;
    }
    if (m_line.size() + piece.size() > m_maxLineLength) {
        m_line.clear();
        m_droppingLine = true;
        m_onLineTooLong();
        return;
    }
    m_line.append(piece);
}
