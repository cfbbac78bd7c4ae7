#include "nodesim/node_sim.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "nodesim/node_bank.h"
#include "nodesim/pseudo_terminal.h"
#include "protocol/reply_parser.h"
#include "serial/virtual_port.h"

namespace {

std::string RegistrationDeviceName() {
    static std::atomic<unsigned> instances{0};
    return "velkaro-nodesim-" + std::to_string(getpid()) + "-" + std::to_string(instances++);
}

// Milliseconds until `due`, rounded up so that the wait never ends before it; -1 for no wait.
int PollTimeoutMs(std::optional<SimClock::time_point> due, SimClock::time_point now) {
    if (!due) {
        return -1;
    }
    if (*due <= now) {
        return 0;
    }
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*due - now).count();
    return static_cast<int>(std::min<decltype(ms)>(ms, INT_MAX));
}

std::optional<SimClock::time_point> Earliest(std::optional<SimClock::time_point> a,
                                             std::optional<SimClock::time_point> b) {
    if (a && b) {
        return std::min(*a, *b);
    }
    return a ? a : b;
}

// Writes what the line takes. A client that does not read loses what does not fit, as a full
// receive queue would.
void WriteBytes(int fd, const uint8_t* bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t written = write(fd, bytes, count);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
}

}  // namespace

class NodeSim::Impl {
  public:
    Impl(const NodeSimConfig& config, NodeSimObserver observer)
        : m_config(config),
          m_observer(std::move(observer)),
          m_started(SimClock::now()),
          m_bank(config, m_started) {
        if (config.hangupAfter) {
            m_hangupAt = m_started + *config.hangupAfter;
        }
    }

    ~Impl() {
        Stop();
        for (int fd : m_wake) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }

    bool Open(std::string* error) {
        if (!m_pty.Open(error)) {
            return false;
        }
        if (pipe(m_wake.data()) != 0) {
            if (error != nullptr) {
                *error = std::string("pipe: ") + std::strerror(errno);
            }
            return false;
        }
        for (int fd : m_wake) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
            fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
        if (m_config.registerPort) {
            m_registration =
                std::make_unique<VirtualPortRegistration>(RegistrationDeviceName(), PortName());
            m_registrationProblem = m_registration->Problem();
        }
        m_thread = std::thread([this] { Run(); });
        return true;
    }

    const std::string& PortPath() const { return m_pty.SlavePath(); }
    // Taken at the start: the service thread drops the registration when the line hangs up.
    const std::string& RegistrationProblem() const { return m_registrationProblem; }

    std::string PortName() const {
        constexpr std::string_view kDeviceDir = "/dev/";
        const std::string& path = PortPath();
        return path.starts_with(kDeviceDir) ? path.substr(kDeviceDir.size()) : path;
    }

    void Close(uint8_t address) {
        const std::lock_guard lock(m_bankMutex);
        m_bank.Close(address, SimClock::now());
    }

    void CloseAll() {
        const std::lock_guard lock(m_bankMutex);
        m_bank.CloseAll(SimClock::now());
    }

    void Stop() {
        if (!m_thread.joinable()) {
            return;
        }
        m_stopRequested = true;
        const uint8_t wake = 1;
        // The pipe is never full: the thread drains it on every wake.
        [[maybe_unused]] const auto ignored = write(m_wake[1], &wake, 1);
        m_thread.join();
        HangUp();
    }

  private:
    void Run() {
        while (!m_stopRequested) {
            WaitForWork();
            if (m_stopRequested) {
                return;
            }
            WriteDueReplies(SimClock::now());
            if (m_hangupAt && *m_hangupAt <= SimClock::now()) {
                HangUp();
            }
        }
    }

    // Sleeps until bytes arrive, a client closes the port, a reply or the hang-up is due, or
    // Stop() wakes the thread.
    void WaitForWork() {
        std::array<pollfd, 3> fds{pollfd{m_wake[0], POLLIN, 0}, pollfd{m_pty.Master(), POLLIN, 0},
                                  pollfd{m_pty.CloseEvents(), POLLIN, 0}};
        const nfds_t count = m_pty.IsOpen() ? 3 : 1;
        const auto next = Earliest(
            m_schedule.empty() ? std::nullopt : std::optional(m_schedule.front().due), m_hangupAt);
        if (poll(fds.data(), count, PollTimeoutMs(next, SimClock::now())) <= 0) {
            return;
        }
        if (fds[0].revents != 0) {
            DrainWakePipe();
        }
        if (count == 3 && fds[2].revents != 0) {
            OnClientClosed();
        }
        if (count == 3 && fds[1].revents != 0) {
            ReceiveBytes();
        }
    }

    void OnClientClosed() {
        if (m_pty.ReleaseAbandonedHold() && m_observer.abandonedHoldReleased) {
            m_observer.abandonedHoldReleased(SimClock::now());
        }
    }

    void DrainWakePipe() {
        std::array<uint8_t, 16> sink{};
        while (read(m_wake[0], sink.data(), sink.size()) > 0) {
        }
    }

    void ReceiveBytes() {
        std::array<uint8_t, 256> buffer{};
        const ssize_t received = read(m_pty.Master(), buffer.data(), buffer.size());
        if (received < 0 && (errno == EAGAIN || errno == EINTR)) {
            return;
        }
        if (received <= 0) {
            // The pseudo-terminal itself failed; polling it again would only spin.
            HangUp();
            return;
        }
        const auto now = SimClock::now();
        if (m_config.echo) {
            WriteBytes(m_pty.Master(), buffer.data(), static_cast<std::size_t>(received));
        }
        for (ssize_t i = 0; i < received && m_pty.IsOpen(); ++i) {
            ParsedFrame parsed{};
            if (m_parser.Feed(buffer[i], parsed) && parsed.head == FRAME_HEAD_HOST) {
                OnHostFrame(HostFrame{parsed.head, parsed.address, parsed.command, parsed.param[0],
                                      parsed.param[1], parsed.param[2], buffer[i]},
                            now);
            }
        }
    }

    void OnHostFrame(const HostFrame& frame, SimClock::time_point received) {
        ++m_framesReceived;
        if (m_observer.hostFrame) {
            m_observer.hostFrame(frame, received);
        }
        if (m_config.hangupAfterFrames && m_framesReceived >= *m_config.hangupAfterFrames) {
            HangUp();
            return;
        }
        Answer answer;
        {
            const std::lock_guard lock(m_bankMutex);
            answer = m_bank.AnswerFrame(frame, received);
        }
        if (m_observer.energised) {
            for (const Energising& e : answer.energisings) {
                m_observer.energised(e.address, e.start, e.duration);
            }
        }
        // The bus is driven: the nodes still to answer the previous frame stay silent.
        m_schedule = std::move(answer.replies);
    }

    void WriteDueReplies(SimClock::time_point now) {
        while (!m_schedule.empty() && m_schedule.front().due <= now && m_pty.IsOpen()) {
            const Transmission& t = m_schedule.front();
            WriteBytes(m_pty.Master(), t.bytes.data(), t.bytes.size());
            if (m_observer.replyWritten) {
                m_observer.replyWritten(t.reply, SimClock::now());
            }
            m_schedule.erase(m_schedule.begin());
        }
    }

    // Like an adapter pulled out: the port goes away, and with it what was still to be sent.
    void HangUp() {
        m_pty.Close();
        m_schedule.clear();
        m_hangupAt.reset();
        m_registration.reset();
    }

    const NodeSimConfig m_config;
    const NodeSimObserver m_observer;
    const SimClock::time_point m_started;

    std::mutex m_bankMutex;  // Close() comes from other threads
    NodeBank m_bank;

    PseudoTerminal m_pty;
    std::unique_ptr<VirtualPortRegistration> m_registration;
    std::string m_registrationProblem;
    std::array<int, 2> m_wake{-1, -1};
    std::thread m_thread;
    std::atomic<bool> m_stopRequested{false};

    // Service thread only.
    ReplyParser m_parser;
    std::vector<Transmission> m_schedule;  // the answer to the latest frame, ordered by due time
    std::optional<SimClock::time_point> m_hangupAt;
    unsigned m_framesReceived = 0;
};

AddressSet NodeSimConfig::DefaultNodes() {
    AddressSet nodes;
    for (unsigned a = 0x00; a <= 0x0F; ++a) {
        nodes.insert(static_cast<uint8_t>(a));
    }
    return nodes;
}

std::unique_ptr<NodeSim> NodeSim::Start(const NodeSimConfig& config, NodeSimObserver observer,
                                        std::string* error) {
    auto impl = std::make_unique<Impl>(config, std::move(observer));
    if (!impl->Open(error)) {
        return nullptr;
    }
    return std::unique_ptr<NodeSim>(new NodeSim(std::move(impl)));
}

NodeSim::NodeSim(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

NodeSim::~NodeSim() = default;

const std::string& NodeSim::PortPath() const {
    return m_impl->PortPath();
}

std::string NodeSim::PortName() const {
    return m_impl->PortName();
}

const std::string& NodeSim::RegistrationProblem() const {
    return m_impl->RegistrationProblem();
}

void NodeSim::Close(uint8_t address) {
    m_impl->Close(address);
}

void NodeSim::CloseAll() {
    m_impl->CloseAll();
}

void NodeSim::Stop() {
    m_impl->Stop();
}
