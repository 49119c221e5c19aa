#pragma once
// A TCP connection for the network link. Every wait is bounded: the name look-up, the
// connect, and each read and write (through the waits TimedIo drives). Nagle's delay is
// off, since every request is a small frame that must leave at once, and keepalive is on,
// so a cable pulled mid-session ends the connection instead of holding it open.
#include "platform/Clock.h"
#include "platform/TimedIo.h"

#include <memory>
#include <string>

namespace kovrin {

class Socket : public ByteChannel {
public:
    // Drops the bytes already received, without waiting for more; false on an error or a
    // connection the peer has closed.
    virtual bool DiscardReceived(unsigned& error);
    // Forgets bytes a timed-out write left unsent (a plain socket keeps none of its own).
    virtual void DropUnsent() {}
};

struct SocketFailure {
    unsigned error = 0;  // the system's code (kTimeoutError when a bound ran out)
    std::string text;    // one line: what failed, for the user
};

// Resolves `host` (a name, an IPv4 address or an IPv6 address without brackets) and
// connects to the first address that answers, all within `timeout`. nullptr on failure.
std::unique_ptr<Socket> ConnectTcp(const std::string& host, unsigned port, Clock::Ms timeout,
                                   SocketFailure& failure);

} // namespace kovrin
