#pragma once
// Line timing of the simulated switch. A pty delivers a request at once, while a real
// line at 1200 baud 8N1 takes 10 bits per byte: the simulator lets the request's own line
// time pass before the answer's first byte, then sends one byte per byte time.
#include "tools/ats-sim/Wait.h"

#include <chrono>
#include <cstddef>

namespace kovrin::sim {

class Pacer {
public:
    static constexpr int kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
    static constexpr int kDefaultBaud = 1200;

    explicit Pacer(bool fast, int baud = kDefaultBaud) : fast_(fast), baud_(baud) {}

    bool fast() const { return fast_; }
    std::chrono::nanoseconds byteTime() const
    {
        return std::chrono::nanoseconds(1'000'000'000LL * kBitsPerByte / baud_);
    }
    // When the answer may begin: once the request would have crossed the line (its first
    // byte reached the simulator at `firstByte`), and not before its last byte really
    // came (a slower path, such as a USB adapter, delivers it later than the line would).
    SteadyTime answerStart(SteadyTime firstByte, SteadyTime complete, std::size_t requestBytes) const
    {
        const SteadyTime onLine = firstByte + byteTime() * static_cast<long long>(requestBytes);
        return onLine > complete ? onLine : complete;
    }
    // When answer byte k has fully arrived at the client. Deadlines are absolute, so the
    // time spent writing never adds up into drift.
    SteadyTime due(SteadyTime answerStart, std::size_t k) const
    {
        return answerStart + byteTime() * static_cast<long long>(k + 1);
    }

private:
    bool fast_;
    int baud_;
};

} // namespace kovrin::sim
