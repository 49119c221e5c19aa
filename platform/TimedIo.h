#pragma once
// The time-out rules of the serial read and write, over any byte channel that can wait
// for readiness. Kept apart from the device so the rules run against a fake clock.
#include "platform/Clock.h"
#include "platform/SerialPort.h"

#include <cstddef>
#include <cstdint>

namespace kovrin {

class ByteChannel {
public:
    enum class Wait { Ready, TimedOut, HangUp, Error };
    static constexpr long kHangUp = -2;

    virtual ~ByteChannel() = default;
    virtual Wait WaitReadable(Clock::Ms timeout, unsigned& error) = 0;
    virtual Wait WaitWritable(Clock::Ms timeout, unsigned& error) = 0;
    // Bytes moved (> 0), 0 when nothing can move now, kHangUp when the peer is gone, -1 on
    // an error (with its code).
    virtual long ReadSome(std::uint8_t* buffer, std::size_t size, unsigned& error) = 0;
    virtual long WriteSome(const std::uint8_t* data, std::size_t size, unsigned& error) = 0;
};

// Error code reported with a time-out.
constexpr unsigned kTimeoutError = 110;  // ETIMEDOUT
// Error code reported when the peer hung up before any byte arrived.
constexpr unsigned kHangUpError = 5;     // EIO

SerialStatus TimedRead(ByteChannel& channel, Clock& clock, const SerialTimeouts& timeouts,
                       std::uint8_t* buffer, std::size_t expected, std::size_t& received, unsigned& error);
SerialStatus TimedWrite(ByteChannel& channel, Clock& clock, const SerialTimeouts& timeouts,
                        const std::uint8_t* data, std::size_t count, std::size_t& written, unsigned& error);

} // namespace kovrin
