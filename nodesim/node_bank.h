// The simulated nodes themselves: their locks, and the replies they plan for a host frame.
// No I/O and no clock of its own, so every timing follows from the times handed in.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "nodesim/node_sim.h"
#include "protocol/frame.h"

using SimClock = std::chrono::steady_clock;

struct Transmission {
    SimClock::time_point due;
    std::vector<uint8_t> bytes;  // noise, if any, then the reply as it goes on the wire
    ReplyFrame reply;
};

struct Energising {
    uint8_t address;
    SimClock::time_point start;
    std::chrono::milliseconds duration;
};

struct Answer {
    std::vector<Transmission> replies;  // in the order they are due
    std::vector<Energising> energisings;
};

class NodeBank {
  public:
    NodeBank(const NodeSimConfig& config, SimClock::time_point start);

    Answer AnswerFrame(const HostFrame& frame, SimClock::time_point received);
    void Close(uint8_t address, SimClock::time_point now);
    void CloseAll(SimClock::time_point now);

  private:
    struct Node {
        bool exists = false;
        bool silent = false;
        bool jammed = false;
        bool badChecksum = false;
        bool duplicated = false;
        std::optional<uint8_t> levelOverride;
        SimClock::duration late{};
        // The lock is open from openSince until closesAt; both "never" while it is locked.
        SimClock::time_point openSince = SimClock::time_point::max();
        SimClock::time_point closesAt = SimClock::time_point::max();
    };
    struct UnlockOrder {
        std::chrono::milliseconds maxOnTime;
        std::chrono::milliseconds interval;
        uint8_t polarity;
    };
    struct Slot {
        SimClock::time_point due;
        ReplyFrame reply;
    };

    std::vector<uint8_t> Addressed(uint8_t address) const;
    std::vector<Slot> StatusSlots(uint8_t address, SimClock::time_point received);
    std::vector<Slot> UnlockSlots(const HostFrame& frame, SimClock::time_point received,
                                  std::vector<Energising>& energisings);
    std::chrono::milliseconds EnergisingTime(const Node& node, SimClock::time_point start,
                                             const UnlockOrder& order) const;
    std::vector<Transmission> Transmissions(std::vector<Slot> slots);
    std::vector<uint8_t> Noise();

    ReplyFrame Reply(uint8_t address, uint8_t command, uint8_t param0) const;
    uint8_t LevelAt(const Node& node, SimClock::time_point t) const;
    uint8_t OpenLevel() const { return m_lockedLevel == 0 ? 1 : 0; }
    bool CanOpenWithin(const Node& node, std::chrono::milliseconds energised) const;
    static bool IsOpenAt(const Node& node, SimClock::time_point t);
    void OpenAt(Node& node, SimClock::time_point t) const;

    std::array<Node, 256> m_nodes{};
    uint8_t m_lockedLevel;
    std::chrono::milliseconds m_openTime;
    std::optional<std::chrono::milliseconds> m_closeAfter;
    std::size_t m_noiseBytes;
    bool m_reverseOrder;
    std::minstd_rand m_random;
};
