#include "platform/Socket.h"

#include "platform/SocketResolve.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>

#include <algorithm>
#include <mutex>

namespace kovrin {

namespace {

using Ms = Clock::Ms;

// Winsock is started once for the process and left running to its end.
bool StartWinsock()
{
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

class UniqueSocket {
public:
    explicit UniqueSocket(SOCKET s = INVALID_SOCKET) : s_(s) {}
    ~UniqueSocket()
    {
        if (s_ != INVALID_SOCKET)
            ::closesocket(s_);
    }
    UniqueSocket(const UniqueSocket&) = delete;
    UniqueSocket& operator=(const UniqueSocket&) = delete;
    SOCKET get() const { return s_; }
    SOCKET release()
    {
        const SOCKET s = s_;
        s_ = INVALID_SOCKET;
        return s;
    }

private:
    SOCKET s_;
};

timeval ToTimeval(Ms timeout)
{
    const long long ms = std::max<long long>(0, timeout.count());
    timeval tv{};
    tv.tv_sec = static_cast<long>(ms / 1000);
    tv.tv_usec = static_cast<long>((ms % 1000) * 1000);
    return tv;
}

bool IsGone(int error) { return error == WSAECONNRESET || error == WSAECONNABORTED || error == WSAESHUTDOWN; }

class WinSocket final : public Socket {
public:
    explicit WinSocket(SOCKET s) : s_(s) {}

    Wait WaitReadable(Ms timeout, unsigned& error) override { return WaitFor(false, timeout, error); }
    Wait WaitWritable(Ms timeout, unsigned& error) override { return WaitFor(true, timeout, error); }

    long ReadSome(std::uint8_t* buffer, std::size_t size, unsigned& error) override
    {
        const int n = ::recv(s_.get(), reinterpret_cast<char*>(buffer), static_cast<int>(size), 0);
        if (n > 0)
            return n;
        if (n == 0)
            return kHangUp;
        const int e = WSAGetLastError();
        if (e == WSAEWOULDBLOCK)
            return 0;
        if (IsGone(e))
            return kHangUp;
        error = static_cast<unsigned>(e);
        return -1;
    }

    long WriteSome(const std::uint8_t* data, std::size_t size, unsigned& error) override
    {
        const int n = ::send(s_.get(), reinterpret_cast<const char*>(data), static_cast<int>(size), 0);
        if (n >= 0)
            return n;
        const int e = WSAGetLastError();
        if (e == WSAEWOULDBLOCK)
            return 0;
        if (IsGone(e))
            return kHangUp;
        error = static_cast<unsigned>(e);
        return -1;
    }

private:
    Wait WaitFor(bool write, Ms timeout, unsigned& error)
    {
        fd_set ready;
        fd_set failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(s_.get(), &ready);
        FD_SET(s_.get(), &failed);
        timeval tv = ToTimeval(timeout);
        const int r = ::select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &tv);
        if (r == 0)
            return Wait::TimedOut;
        if (r == SOCKET_ERROR) {
            error = static_cast<unsigned>(WSAGetLastError());
            return Wait::Error;
        }
        if (FD_ISSET(s_.get(), &ready))
            return Wait::Ready;
        return Wait::HangUp;
    }

    UniqueSocket s_;
};

SOCKET ConnectOne(const addrinfo& a, std::chrono::steady_clock::time_point deadline, unsigned& error)
{
    UniqueSocket s(::socket(a.ai_family, a.ai_socktype, a.ai_protocol));
    if (s.get() == INVALID_SOCKET) {
        error = static_cast<unsigned>(WSAGetLastError());
        return INVALID_SOCKET;
    }
    u_long nonBlocking = 1;
    ::ioctlsocket(s.get(), FIONBIO, &nonBlocking);
    if (::connect(s.get(), a.ai_addr, static_cast<int>(a.ai_addrlen)) != 0) {
        const int e = WSAGetLastError();
        if (e != WSAEWOULDBLOCK) {
            error = static_cast<unsigned>(e);
            return INVALID_SOCKET;
        }
        fd_set writable;
        fd_set failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s.get(), &writable);
        FD_SET(s.get(), &failed);
        timeval tv = ToTimeval(std::chrono::duration_cast<Ms>(deadline - std::chrono::steady_clock::now()));
        const int r = ::select(0, nullptr, &writable, &failed, &tv);
        if (r == 0) {
            error = kTimeoutError;
            return INVALID_SOCKET;
        }
        int soError = 0;
        int len = sizeof soError;
        ::getsockopt(s.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len);
        if (r == SOCKET_ERROR || !FD_ISSET(s.get(), &writable) || soError != 0) {
            error = static_cast<unsigned>(soError != 0 ? soError : WSAGetLastError());
            return INVALID_SOCKET;
        }
    }
    const BOOL on = TRUE;
    ::setsockopt(s.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    ::setsockopt(s.get(), SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
    // A dead peer is noticed within about half a minute rather than two hours.
    tcp_keepalive alive{1, 10000, 5000};
    DWORD returned = 0;
    ::WSAIoctl(s.get(), SIO_KEEPALIVE_VALS, &alive, sizeof alive, nullptr, 0, &returned, nullptr, nullptr);
    return s.release();
}

std::string ErrorText(unsigned error)
{
    switch (error) {
    case kTimeoutError:
    case WSAETIMEDOUT:
        return "no answer within the time allowed";
    case WSAECONNREFUSED:
        return "connection refused";
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
        return "no route to the host";
    default:
        return "network error " + std::to_string(error);
    }
}

} // namespace

std::unique_ptr<Socket> ConnectTcp(const std::string& host, unsigned port, Ms timeout, SocketFailure& failure)
{
    if (!StartWinsock()) {
        failure = {static_cast<unsigned>(WSAGetLastError()), "the network is not available"};
        return nullptr;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    struct Lookup {
        std::mutex mutex;
        addrinfo* result = nullptr;
        int status = WSATRY_AGAIN;
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
            hints.ai_protocol = IPPROTO_TCP;
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
        failure = {static_cast<unsigned>(lookup->status),
                   "the name " + host + " is not known (error " + std::to_string(lookup->status) + ")"};
        return nullptr;
    }
    unsigned error = 0;
    for (const addrinfo* a = lookup->result; a; a = a->ai_next) {
        const SOCKET s = ConnectOne(*a, deadline, error);
        if (s != INVALID_SOCKET)
            return std::make_unique<WinSocket>(s);
        if (error == kTimeoutError)
            break;
    }
    failure = {error, "cannot connect to " + host + " port " + service + ": " + ErrorText(error)};
    return nullptr;
}

} // namespace kovrin
