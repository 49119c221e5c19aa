#include "platform/Socket.h"

#include "platform/SocketResolve.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace kovrin {

namespace {

using Ms = Clock::Ms;

class UniqueSocket {
public:
    explicit UniqueSocket(int fd = -1) : fd_(fd) {}
    ~UniqueSocket()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    UniqueSocket(const UniqueSocket&) = delete;
    UniqueSocket& operator=(const UniqueSocket&) = delete;
    int get() const { return fd_; }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

class PosixSocket final : public Socket {
public:
    explicit PosixSocket(int fd) : fd_(fd) {}

    Wait WaitReadable(Ms timeout, unsigned& error) override { return WaitFor(POLLIN, timeout, error); }
    Wait WaitWritable(Ms timeout, unsigned& error) override { return WaitFor(POLLOUT, timeout, error); }

    long ReadSome(std::uint8_t* buffer, std::size_t size, unsigned& error) override
    {
        const ssize_t n = ::recv(fd_.get(), buffer, size, MSG_DONTWAIT);
        if (n > 0)
            return static_cast<long>(n);
        if (n == 0)
            return kHangUp;
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            return 0;
        if (errno == ECONNRESET || errno == EPIPE)
            return kHangUp;
        error = static_cast<unsigned>(errno);
        return -1;
    }

    long WriteSome(const std::uint8_t* data, std::size_t size, unsigned& error) override
    {
        const ssize_t n = ::send(fd_.get(), data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n >= 0)
            return static_cast<long>(n);
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            return 0;
        if (errno == ECONNRESET || errno == EPIPE)
            return kHangUp;
        error = static_cast<unsigned>(errno);
        return -1;
    }

private:
    Wait WaitFor(short events, Ms timeout, unsigned& error)
    {
        pollfd p{fd_.get(), events, 0};
        const int r = ::poll(&p, 1, static_cast<int>(timeout.count()));
        if (r == 0)
            return Wait::TimedOut;
        if (r < 0) {
            if (errno == EINTR)
                return Wait::TimedOut;
            error = static_cast<unsigned>(errno);
            return Wait::Error;
        }
        if (p.revents & events)
            return Wait::Ready;  // the read or write then tells a closed peer
        if (p.revents & (POLLHUP | POLLERR))
            return Wait::HangUp;
        return Wait::Error;
    }

    UniqueSocket fd_;
};

// Connects one address without blocking past `deadline`; the socket, or -1 with `error`.
int ConnectOne(const addrinfo& a, std::chrono::steady_clock::time_point deadline, unsigned& error)
{
    UniqueSocket s(::socket(a.ai_family, a.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a.ai_protocol));
    if (s.get() < 0) {
        error = static_cast<unsigned>(errno);
        return -1;
    }
    if (::connect(s.get(), a.ai_addr, a.ai_addrlen) != 0) {
        if (errno != EINPROGRESS) {
            error = static_cast<unsigned>(errno);
            return -1;
        }
        const auto left = std::chrono::duration_cast<Ms>(deadline - std::chrono::steady_clock::now());
        pollfd p{s.get(), POLLOUT, 0};
        const int r = ::poll(&p, 1, static_cast<int>(std::max<long long>(0, left.count())));
        if (r == 0) {
            error = kTimeoutError;
            return -1;
        }
        int soError = 0;
        socklen_t len = sizeof soError;
        if (r < 0 || ::getsockopt(s.get(), SOL_SOCKET, SO_ERROR, &soError, &len) != 0 || soError != 0) {
            error = static_cast<unsigned>(r < 0 ? errno : soError != 0 ? soError : errno);
            return -1;
        }
    }
    const int on = 1;
    ::setsockopt(s.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(s.get(), SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    // A dead peer is noticed within about half a minute rather than two hours.
    const int idle = 10, interval = 5, probes = 3;
    ::setsockopt(s.get(), IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(s.get(), IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(s.get(), IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    return s.release();
}

std::string ErrorText(unsigned error)
{
    if (error == kTimeoutError)
        return "no answer within the time allowed";
    return std::strerror(static_cast<int>(error));
}

} // namespace

std::unique_ptr<Socket> ConnectTcp(const std::string& host, unsigned port, Ms timeout, SocketFailure& failure)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    struct Lookup {
        std::mutex mutex;
        addrinfo* result = nullptr;
        int status = EAI_AGAIN;
        ~Lookup()
        {
            if (result)
                ::freeaddrinfo(result);
        }
    };
    auto lookup = std::make_shared<Lookup>();
    const std::string service = std::to_string(port);
    const bool resolved = RunBounded(
        [lookup, host, service] {
            addrinfo hints{};
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_STREAM;
            hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV;
            addrinfo* result = nullptr;
            const int status = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &result);
            std::lock_guard<std::mutex> lock(lookup->mutex);
            lookup->status = status;
            lookup->result = result;
        },
        timeout);
    std::lock_guard<std::mutex> lock(lookup->mutex);
    if (!resolved) {
        failure = {kTimeoutError, "the name " + host + " was not resolved within the time allowed"};
        return nullptr;
    }
    if (lookup->status != 0) {
        failure = {static_cast<unsigned>(lookup->status), "the name " + host + " is not known (" +
                                                              ::gai_strerror(lookup->status) + ")"};
        return nullptr;
    }
    unsigned error = 0;
    for (const addrinfo* a = lookup->result; a; a = a->ai_next) {
        const int fd = ConnectOne(*a, deadline, error);
        if (fd >= 0)
            return std::make_unique<PosixSocket>(fd);
        if (error == kTimeoutError)
            break;
    }
    failure = {error, "cannot connect to " + host + " port " + service + ": " + ErrorText(error)};
    return nullptr;
}

} // namespace kovrin
