#include "record/bus_trace.h"

#include <memory>
#include <mutex>

#include "record/inbound_framer.h"
#include "record/output_file.h"
#include "res/version.h"
#include "serial/serial.h"

namespace {

struct TraceSession {
    PcapngWriter writer;
    InboundFramer framer{writer};
    std::string failure;  // why the first failed write failed
};

struct TraceState {
    std::mutex mutex;
    std::unique_ptr<TraceSession> session;
};

TraceState& Trace() {
    // Never destroyed: the detached port worker may still call a hook while the process exits.
    static TraceState* const state = new TraceState;
    return *state;
}

void TraceSent(const uint8_t* bytes, uint32_t count) {
    const WallClock::time_point now = WallClock::now();
    TraceState& trace = Trace();
    std::lock_guard lock(trace.mutex);
    if (trace.session) {
        trace.session->framer.EndNoise();
        trace.session->writer.WritePacket(now, PacketDirection::Outbound, bytes, count);
    }
}

void TraceReceived(const uint8_t* bytes, uint32_t count) {
    const WallClock::time_point now = WallClock::now();
    TraceState& trace = Trace();
    std::lock_guard lock(trace.mutex);
    if (trace.session) {
        for (uint32_t i = 0; i < count; ++i) {
            trace.session->framer.Feed(bytes[i], now);
        }
    }
}

// Under the trace's lock.
void FlushSession(TraceSession& session) {
    session.framer.EndNoise();
    if (!session.writer.Flush() && session.failure.empty()) {
        session.failure = FileErrorText();
    }
}

}  // namespace

bool StartBusTrace(const std::string& path, const std::string& program, const std::string& portName,
                   std::string& error) {
    std::string ignored;
    StopBusTrace(ignored);
    auto session = std::make_unique<TraceSession>();
    if (!session->writer.Create(path, program + " " + res::kVersionText, portName, error)) {
        return false;
    }
    {
        std::lock_guard lock(Trace().mutex);
        Trace().session = std::move(session);
    }
    SerialSetHooks(TraceSent, TraceReceived);
    return true;
}

void FlushBusTrace() {
    TraceState& trace = Trace();
    std::lock_guard lock(trace.mutex);
    if (trace.session) {
        FlushSession(*trace.session);
    }
}

bool StopBusTrace(std::string& error) {
    // A hook already past the switch finds the session gone under the lock.
    SerialSetHooks(nullptr, nullptr);
    TraceState& trace = Trace();
    std::unique_ptr<TraceSession> session;
    {
        std::lock_guard lock(trace.mutex);
        session = std::move(trace.session);
        if (!session) {
            return true;
        }
        session->framer.Finish();
        FlushSession(*session);
    }
    error = session->failure;
    return error.empty();
}

bool BusTraceRunning() {
    TraceState& trace = Trace();
    std::lock_guard lock(trace.mutex);
    return trace.session != nullptr;
}
