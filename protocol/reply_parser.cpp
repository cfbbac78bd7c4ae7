#include "protocol/reply_parser.h"

#include "protocol/frame.h"

bool ReplyParser::Feed(uint8_t b, ParsedFrame& out) {
    switch (m_state) {
        case 0:
            m_store[0] = b;
            m_sum = b;
            m_state = (b == FRAME_HEAD_HOST || b == FRAME_HEAD_NODE) ? 1 : 0;
            return false;
        case 1:
        case 2:
        case 4:
        case 5:
            m_store[m_state] = b;
            m_sum = static_cast<uint8_t>(m_sum + b);
            m_state = static_cast<uint8_t>(m_state + 1);
            return false;
        case 3:
            m_store[3] = b;
            m_sum = static_cast<uint8_t>(m_sum + b);
            m_state = m_store[0] == FRAME_HEAD_NODE ? 6 : 4;
            return false;
        default:
            // The checksum byte is consumed whether or not it matches.
            m_state = 0;
            if (b != m_sum) {
                return false;
            }
            out = ParsedFrame{
                m_store[0], m_store[1], m_store[2], {m_store[3], m_store[4], m_store[5]}};
            return true;
    }
}

namespace {
ReplyParser& ProcessParser() {
    static ReplyParser parser;
    return parser;
}
}  // namespace

bool ParseReplyByte(uint8_t b, uint8_t& head, uint8_t& address, uint8_t& command,
                    uint8_t rsp_param[3]) {
    ParsedFrame frame{};
    if (!ProcessParser().Feed(b, frame)) {
        return false;
    }
    head = frame.head;
    address = frame.address;
    command = frame.command;
    for (int i = 0; i < 3; ++i) {
        rsp_param[i] = frame.param[i];
    }
    return true;
}
