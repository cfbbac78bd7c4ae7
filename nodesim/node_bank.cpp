#include "nodesim/node_bank.h"

#include <algorithm>

using namespace std::chrono_literals;

namespace {

// A status broadcast gives every address a reply window of its own; a node answers a little
// into its window, so node 00 is heard 2 to 4 ms after the frame.
constexpr auto kStatusWindow = 5ms;
constexpr auto kStatusReplyOffset = 2ms;
constexpr unsigned kHighestNodeAddress = 0xFE;
// The second board at a duplicated address answers once the first's reply is on the wire.
constexpr auto kSecondBoardDelay = 1ms;
constexpr auto kNever = SimClock::time_point::max();

}  // namespace

NodeBank::NodeBank(const NodeSimConfig& config, SimClock::time_point start)
    : m_lockedLevel(config.lockedLevel),
      m_openTime(config.openTime),
      m_closeAfter(config.closeAfter),
      m_noiseBytes(config.noiseBytes),
      m_reverseOrder(config.reverseOrder) {
    for (auto& node : m_nodes) {
        node.late = config.lateAll;
    }
    for (const uint8_t a : config.nodes) {
        m_nodes[a].exists = a <= kHighestNodeAddress;
    }
    for (const uint8_t a : config.silent) {
        m_nodes[a].silent = true;
    }
    for (const uint8_t a : config.jammed) {
        m_nodes[a].jammed = true;
    }
    for (const uint8_t a : config.duplicates) {
        m_nodes[a].duplicated = true;
    }
    for (const uint8_t a : config.badChecksum) {
        m_nodes[a].badChecksum = true;
    }
    for (const auto& [a, level] : config.levelOverride) {
        m_nodes[a].levelOverride = level;
    }
    for (const auto& [a, late] : config.lateFor) {
        m_nodes[a].late = late;
    }
    for (const uint8_t a : config.openLocks) {
        OpenAt(m_nodes[a], start);
    }
}

Answer NodeBank::AnswerFrame(const HostFrame& frame, SimClock::time_point received) {
    Answer answer;
    const uint8_t command = frame[2];
    if (command == CMD_GET_STATUS) {
        answer.replies = Transmissions(StatusSlots(frame[1], received));
    } else if (command == CMD_UNLOCK) {
        answer.replies = Transmissions(UnlockSlots(frame, received, answer.energisings));
    }
    return answer;
}

void NodeBank::Close(uint8_t address, SimClock::time_point now) {
    Node& node = m_nodes[address];
    // An opening still to come (a lock being energised) is left to happen.
    if (node.openSince <= now) {
        node.openSince = kNever;
        node.closesAt = kNever;
    }
}

void NodeBank::CloseAll(SimClock::time_point now) {
    for (unsigned a = 0; a < m_nodes.size(); ++a) {
        Close(static_cast<uint8_t>(a), now);
    }
}

std::vector<uint8_t> NodeBank::Addressed(uint8_t address) const {
    const unsigned first = address == ADDR_BROADCAST ? 0 : address;
    const unsigned last = address == ADDR_BROADCAST ? kHighestNodeAddress : address;
    std::vector<uint8_t> addressed;
    for (unsigned a = first; a <= last; ++a) {
        if (m_nodes[a].exists) {
            addressed.push_back(static_cast<uint8_t>(a));
        }
    }
    return addressed;
}

std::vector<NodeBank::Slot> NodeBank::StatusSlots(uint8_t address, SimClock::time_point received) {
    std::vector<Slot> slots;
    for (const uint8_t a : Addressed(address)) {
        const Node& node = m_nodes[a];
        const auto due = address == ADDR_BROADCAST
                             ? received + a * kStatusWindow + kStatusReplyOffset
                             : received;
        if (!node.silent) {
            slots.push_back({due, Reply(a, CMD_GET_STATUS, LevelAt(node, due))});
        }
    }
    return slots;
}

std::vector<NodeBank::Slot> NodeBank::UnlockSlots(const HostFrame& frame,
                                                  SimClock::time_point received,
                                                  std::vector<Energising>& energisings) {
    const UnlockOrder order{frame[3] * 10ms, frame[4] * 1ms, frame[5]};
    const bool broadcast = frame[1] == ADDR_BROADCAST;
    std::vector<Slot> slots;
    for (const uint8_t a : Addressed(frame[1])) {
        Node& node = m_nodes[a];
        // One interval per address: the host allows (max address + 1) intervals in all.
        const auto start = received + (broadcast ? a : 0) * order.interval;
        const auto slotEnd = start + order.interval;
        const bool wasOpen = IsOpenAt(node, start);
        const auto energised = EnergisingTime(node, start, order);
        const bool opens = !wasOpen && CanOpenWithin(node, energised);
        if (opens) {
            OpenAt(node, start + m_openTime);
        }
        energisings.push_back({a, start, energised});
        const bool openBySlotEnd = wasOpen || (opens && start + m_openTime <= slotEnd);
        if (!node.silent) {
            slots.push_back(
                {slotEnd,
                 Reply(a, CMD_UNLOCK, openBySlotEnd ? kUnlockResultOpen : kUnlockResultNotOpen)});
        }
    }
    return slots;
}

// With feedback the node stops as soon as the contact reads open by the host's polarity, which
// is at once when the polarity is wrong; without it the lock gets the whole time.
std::chrono::milliseconds NodeBank::EnergisingTime(const Node& node, SimClock::time_point start,
                                                   const UnlockOrder& order) const {
    if (order.polarity == kUnlockNoFeedback) {
        return order.maxOnTime;
    }
    if (LevelAt(node, start) != order.polarity) {
        return 0ms;
    }
    const uint8_t levelOnceOpen = node.levelOverride.value_or(OpenLevel());
    if (CanOpenWithin(node, order.maxOnTime) && levelOnceOpen != order.polarity) {
        return m_openTime;
    }
    return order.maxOnTime;
}

std::vector<Transmission> NodeBank::Transmissions(std::vector<Slot> slots) {
    if (m_reverseOrder) {
        // The times stay, the replies swap: the highest address answers in the first slot.
        for (std::size_t i = 0, j = slots.size(); i + 1 < j; ++i, --j) {
            std::swap(slots[i].reply, slots[j - 1].reply);
        }
    }
    std::vector<Transmission> transmissions;
    for (const Slot& slot : slots) {
        const Node& node = m_nodes[slot.reply[1]];
        transmissions.push_back(
            {slot.due + node.late, {slot.reply.begin(), slot.reply.end()}, slot.reply});
        if (node.duplicated) {
            transmissions.push_back({slot.due + node.late + kSecondBoardDelay,
                                     {slot.reply.begin(), slot.reply.end()},
                                     slot.reply});
        }
    }
    std::stable_sort(transmissions.begin(), transmissions.end(),
                     [](const Transmission& a, const Transmission& b) { return a.due < b.due; });
    if (!transmissions.empty()) {
        auto& first = transmissions.front().bytes;
        const auto noise = Noise();
        first.insert(first.begin(), noise.begin(), noise.end());
    }
    return transmissions;
}

// Line noise that a host must skip: never a head byte, so it starts no frame.
std::vector<uint8_t> NodeBank::Noise() {
    std::vector<uint8_t> noise;
    while (noise.size() < m_noiseBytes) {
        const auto b = static_cast<uint8_t>(m_random());
        if (b != FRAME_HEAD_HOST && b != FRAME_HEAD_NODE) {
            noise.push_back(b);
        }
    }
    return noise;
}

ReplyFrame NodeBank::Reply(uint8_t address, uint8_t command, uint8_t param0) const {
    ReplyFrame reply = BuildReplyFrame(address, command, param0);
    if (m_nodes[address].badChecksum) {
        reply[4] = static_cast<uint8_t>(reply[4] + 1);
    }
    return reply;
}

uint8_t NodeBank::LevelAt(const Node& node, SimClock::time_point t) const {
    return node.levelOverride.value_or(IsOpenAt(node, t) ? OpenLevel() : m_lockedLevel);
}

bool NodeBank::CanOpenWithin(const Node& node, std::chrono::milliseconds energised) const {
    return !node.jammed && m_openTime <= energised;
}

bool NodeBank::IsOpenAt(const Node& node, SimClock::time_point t) {
    return node.openSince <= t && t < node.closesAt;
}

void NodeBank::OpenAt(Node& node, SimClock::time_point t) const {
    if (IsOpenAt(node, t)) {
        return;
    }
    node.openSince = t;
    node.closesAt = m_closeAfter ? t + *m_closeAfter : kNever;
}
