// The reply parser against the reference reading of the frame rules, byte by byte: the same
// bytes must complete the same frames, leave the parser expecting the same byte, and a byte
// that completes nothing must leave the caller's frame untouched.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/reference_parser.h"
#include "protocol/reply_parser.h"

namespace {

constexpr ParsedFrame kUntouched{0xEE, 0xEE, 0xEE, {0xEE, 0xEE, 0xEE}};

void Require(bool holds, const char* what, std::size_t at) {
    if (!holds) {
        std::fprintf(stderr, "reply parser: %s at byte %zu\n", what, at);
        std::abort();
    }
}

bool SameFrame(const ParsedFrame& a, const ParsedFrame& b) {
    return a.head == b.head && a.address == b.address && a.command == b.command &&
           a.param == b.param;
}

ParsedFrame AsParsed(const ReferenceFrame& frame) {
    return ParsedFrame{frame.head, frame.address, frame.command, frame.param};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    ReplyParser parser;
    ReferenceParser reference;
    for (std::size_t i = 0; i < size; ++i) {
        ParsedFrame frame = kUntouched;
        const bool completed = parser.Feed(data[i], frame);
        const std::optional<ReferenceFrame> expected = reference.Feed(data[i]);
        Require(completed == expected.has_value(), "a frame completed on one side only", i);
        if (completed) {
            Require(SameFrame(frame, AsParsed(*expected)), "the frames differ", i);
        } else {
            Require(SameFrame(frame, kUntouched), "the frame was written without completing", i);
        }
        Require(parser.State() == reference.Expecting(), "they expect different bytes next", i);
    }
    return 0;
}
