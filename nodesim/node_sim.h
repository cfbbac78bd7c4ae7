// Lock-control nodes played at the far end of a pseudo-terminal: a host opens PortPath() like
// any serial port and the simulated nodes answer its frames with the bus timing of real ones.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "protocol/address_list.h"
#include "protocol/frame.h"

// Result byte of an unlock reply.
inline constexpr uint8_t kUnlockResultOpen = 0x00;
inline constexpr uint8_t kUnlockResultNotOpen = 0x01;

struct NodeSimConfig {
    using Ms = std::chrono::milliseconds;

    AddressSet nodes = DefaultNodes();
    // Locks that are open when the simulator starts; all others start locked.
    AddressSet openLocks;
    // The feedback level a locked lock reads (0 or 1); an open lock reads the other one.
    uint8_t lockedLevel = 0;
    // Raw level that a node reports whatever its lock does, e.g. 0x02.
    std::map<uint8_t, uint8_t> levelOverride;
    // How long a lock must be energised before it opens.
    Ms openTime{20};
    // Locks that never open.
    AddressSet jammed;
    // An open lock closes again this long after it opened (the initially open ones count from
    // the start); nullopt: only Close() closes it.
    std::optional<Ms> closeAfter;

    // Faults.
    // Nodes that exist (they still unlock) but never reply.
    AddressSet silent;
    // Bytes of noise before the first reply of each answer; never a head byte.
    std::size_t noiseBytes = 0;
    // Addresses set on two boards at once: every reply of such an address goes out twice, the
    // second board's right after the first's (on a real bus the two would mostly collide).
    AddressSet duplicates;
    // Nodes whose replies carry a wrong checksum.
    AddressSet badChecksum;
    // The replies of one answer go out highest address first, in the same time slots.
    bool reverseOrder = false;
    // Every received byte goes straight back, as half-duplex adapters do.
    bool echo = false;
    // Extra reply delay of every node, unless lateFor has one of its own.
    Ms lateAll{0};
    std::map<uint8_t, Ms> lateFor;
    // The port hangs up when this many host frames have arrived (the last one unanswered) ...
    std::optional<unsigned> hangupAfterFrames;
    // ... or this long after the start.
    std::optional<Ms> hangupAfter;

    // Lists the port among the machine's serial ports while the simulator runs.
    bool registerPort = true;

    static AddressSet DefaultNodes();
};

struct NodeSimObserver {
    using TimePoint = std::chrono::steady_clock::time_point;

    // Every host frame received, with the time its last byte was read.
    std::function<void(const HostFrame& frame, TimePoint received)> hostFrame;
    // Every reply frame as sent (bad checksum included), with the time right after its last
    // byte was written to the port.
    std::function<void(const ReplyFrame& reply, TimePoint written)> replyWritten;
    // Every energising of a lock by an unlock, reported when the unlock arrives.
    std::function<void(uint8_t address, TimePoint start, std::chrono::milliseconds duration)>
        energised;
    // A client ended without closing the port (killed, say) and left it exclusive; the
    // simulator released it.
    std::function<void(TimePoint released)> abandonedHoldReleased;
};

// How the nodes answer, timed from the arrival of the host frame:
// - status broadcast: node a replies with its level at a * 5 + 2 ms, in its own 5 ms window;
// - status of one node: it replies at once;
// - unlock broadcast, interval I ms: node a energises from a * I and replies at (a + 1) * I,
//   so that one interval per address, as the host allows, covers the whole bus;
// - unlock of one node: it energises at once and replies after I;
// - an unlock energises for up to parameter 0 * 10 ms; with feedback (parameter 2 the level
//   a locked lock reads) the node stops as soon as the lock reads open, without (0xFF) it uses
//   the whole time; the lock opens once energised for its open time, and the reply says
//   kUnlockResultOpen when it is open by the end of the node's slot;
// - frames for missing nodes, and other commands, get no reply;
// - a new host frame drives the bus: replies still due for the previous one are dropped.
class NodeSim {
  public:
    // Opens the pseudo-terminal and starts answering on a service thread of its own. The
    // observer's functions run on that thread. Null, with the reason in *error, on failure.
    static std::unique_ptr<NodeSim> Start(const NodeSimConfig& config,
                                          NodeSimObserver observer = {},
                                          std::string* error = nullptr);
    ~NodeSim();
    NodeSim(const NodeSim&) = delete;
    NodeSim& operator=(const NodeSim&) = delete;

    // What a client opens, e.g. /dev/pts/5.
    const std::string& PortPath() const;
    // The name the port list shows for it, relative to /dev like the machine's own ports
    // ("pts/5" beside "ttyS0"); SerialOpen takes it too.
    std::string PortName() const;
    // Why the port is not listed although the config asked for it; empty otherwise.
    const std::string& RegistrationProblem() const;

    // Shut an open lock (a door pushed closed); a lock still being energised may open later.
    void Close(uint8_t address);
    void CloseAll();

    // Ends the service thread and hangs up the port; replies not yet sent are dropped. Not to
    // be called from an observer function, which runs on that thread.
    void Stop();

  private:
    class Impl;
    explicit NodeSim(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};
