#pragma once
// A TCP relay on a free loopback port, between a client and a server: holds each chunk
// for a one-way delay (a round trip of twice that), and can cut the connection once the
// server has sent a given number of bytes, as a network or a device server going away.
#include "tools/ats-sim/harness/ChildProcess.h"

#include <atomic>
#include <cstddef>
#include <thread>

namespace kovrin::sim {

class Relay {
public:
    // `cutAfter` 0: never cut. Serves one connection after another until destroyed.
    Relay(unsigned targetPort, Millis oneWayDelay, std::size_t cutAfter = 0);
    ~Relay();
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    // 0 when the relay could not listen.
    unsigned port() const { return port_; }
    bool cut() const { return cut_; }

private:
    void run();
    void serve(int client);

    unsigned targetPort_;
    Millis delay_;
    std::size_t cutAfter_;
    UniqueFd listener_;
    UniqueFd wake_[2];
    unsigned port_ = 0;
    std::atomic<bool> cut_{false};
    std::thread thread_;
};

} // namespace kovrin::sim
