// Cuts the simulator's stdin into command lines.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// A line longer than the limit is dropped whole and reported once, so that a stream without
// line ends costs bounded memory and time in proportion to its length.
class CommandReader {
  public:
    CommandReader(std::size_t maxLineLength, std::function<void(const std::string&)> onLine,
                  std::function<void()> onLineTooLong);

    // Any piece of the stream: lines may end inside it or in a later piece.
    void Feed(std::string_view bytes);
    // The start of a line still waiting for its end.
    std::size_t Pending() const { return m_line.size(); }

  private:
    void TakeLinePiece(std::string_view piece);

    std::size_t m_maxLineLength;
    std::function<void(const std::string&)> m_onLine;
    std::function<void()> m_onLineTooLong;
    std::string m_line;
    bool m_droppingLine = false;
};
