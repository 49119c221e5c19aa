#include "tools/ats-sim/harness/Relay.h"

#include <arpa/inet.h>
#include <chrono>
#include <deque>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace kovrin::sim {

namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in Loopback(unsigned port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

struct Chunk {
    Clock::time_point due;
    std::vector<std::uint8_t> bytes;
};

// One direction: what was read, held until due.
struct Direction {
    int from;
    int to;
    std::deque<Chunk> held;
    bool open = true;
};

} // namespace

Relay::Relay(unsigned targetPort, Millis oneWayDelay, std::size_t cutAfter)
    : targetPort_(targetPort), delay_(oneWayDelay), cutAfter_(cutAfter)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return;
    wake_[0] = UniqueFd(pipeFds[0]);
    wake_[1] = UniqueFd(pipeFds[1]);
    listener_ = UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in a = Loopback(0);
    socklen_t len = sizeof a;
    if (listener_.get() < 0 || ::bind(listener_.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listener_.get(), 4) != 0 || ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return;
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { run(); });
}

Relay::~Relay()
{
    if (thread_.joinable()) {
        const char stop = 1;
        [[maybe_unused]] const ssize_t n = ::write(wake_[1].get(), &stop, 1);
        thread_.join();
    }
}

void Relay::run()
{
    for (;;) {
        pollfd p[2] = {{listener_.get(), POLLIN, 0}, {wake_[0].get(), POLLIN, 0}};
        if (::poll(p, 2, -1) < 0 || (p[1].revents & POLLIN))
            return;
        UniqueFd client(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (client.get() >= 0)
            serve(client.get());
    }
}

void Relay::serve(int client)
{
    UniqueFd server(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in a = Loopback(targetPort_);
    if (::connect(server.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        return;
    const int on = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(server.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    Direction up{client, server.get(), {}}, down{server.get(), client, {}};
    std::size_t fromServer = 0;
    while (up.open || down.open || !up.held.empty() || !down.held.empty()) {
        const Clock::time_point now = Clock::now();
        int timeout = -1;
        for (Direction* d : {&up, &down}) {
            while (!d->held.empty() && d->held.front().due <= now) {
                const std::vector<std::uint8_t>& b = d->held.front().bytes;
                if (::send(d->to, b.data(), b.size(), MSG_NOSIGNAL) < 0)
                    return;
                if (d == &down) {
                    fromServer += b.size();
                    if (cutAfter_ != 0 && fromServer >= cutAfter_) {
                        cut_ = true;
                        return;  // both sockets close here: the server is gone
                    }
                }
                d->held.pop_front();
            }
            if (!d->held.empty()) {
                const auto left = std::chrono::duration_cast<Millis>(d->held.front().due - now).count() + 1;
                timeout = timeout < 0 ? static_cast<int>(left) : std::min(timeout, static_cast<int>(left));
            }
            if (!d->open && d->held.empty())
                ::shutdown(d->to, SHUT_WR);
        }
        pollfd p[3] = {{up.open ? client : -1, POLLIN, 0}, {down.open ? server.get() : -1, POLLIN, 0},
                       {wake_[0].get(), POLLIN, 0}};
        if (::poll(p, 3, timeout) < 0 || (p[2].revents & POLLIN))
            return;
        for (int i = 0; i < 2; ++i) {
            Direction& d = i == 0 ? up : down;
            if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            std::uint8_t buffer[4096];
            const ssize_t n = ::recv(d.from, buffer, sizeof buffer, 0);
            if (n <= 0) {
                d.open = false;
                continue;
            }
            // Small pieces, so a cut can fall inside an answer.
            for (ssize_t at = 0; at < n; at += 8)
                d.held.push_back({Clock::now() + delay_,
                                  std::vector<std::uint8_t>(buffer + at, buffer + std::min<ssize_t>(n, at + 8))});
        }
    }
}

} // namespace kovrin::sim
