#include "platform/TimedIo.h"

#include <algorithm>

namespace kovrin {

using Ms = Clock::Ms;

SerialStatus TimedRead(ByteChannel& channel, Clock& clock, const SerialTimeouts& timeouts,
                       std::uint8_t* buffer, std::size_t expected, std::size_t& received, unsigned& error)
{
    received = 0;
    error = 0;
    const Clock::TimePoint deadline = clock.now() + timeouts.readTotal;
    bool anyByte = false;
    Clock::TimePoint intervalEnd{};
    while (received < expected) {
        const Clock::TimePoint now = clock.now();
        // The interval rule completes the read only if it ran out before the total did.
        if (anyByte && now >= intervalEnd && intervalEnd <= deadline)
            return SerialStatus::Done;
        if (now >= deadline) {
            error = kTimeoutError;
            return SerialStatus::TimedOut;
        }
        Clock::TimePoint until = anyByte ? std::min(deadline, intervalEnd) : deadline;
        const Ms wait = std::max(Ms(1), std::chrono::duration_cast<Ms>(until - now));
        switch (channel.WaitReadable(wait, error)) {
        case ByteChannel::Wait::TimedOut:
            continue;
        case ByteChannel::Wait::Error:
            return SerialStatus::Failed;
        case ByteChannel::Wait::HangUp:
            if (anyByte)
                return SerialStatus::Done;
            error = kHangUpError;
            return SerialStatus::Failed;
        case ByteChannel::Wait::Ready:
            break;
        }
        const long n = channel.ReadSome(buffer + received, expected - received, error);
        if (n > 0) {
            received += static_cast<std::size_t>(n);
            anyByte = true;
            intervalEnd = clock.now() + timeouts.readInterval;
        } else if (n == ByteChannel::kHangUp) {
            if (anyByte)
                return SerialStatus::Done;
            error = kHangUpError;
            return SerialStatus::Failed;
        } else if (n < 0) {
            return SerialStatus::Failed;
        }
    }
    return SerialStatus::Done;
}

SerialStatus TimedWrite(ByteChannel& channel, Clock& clock, const SerialTimeouts& timeouts,
                        const std::uint8_t* data, std::size_t count, std::size_t& written, unsigned& error)
{
    written = 0;
    error = 0;
    const Clock::TimePoint deadline = clock.now() + timeouts.writeTotal;
    while (written < count) {
        const long n = channel.WriteSome(data + written, count - written, error);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n == ByteChannel::kHangUp) {
            error = kHangUpError;
            return SerialStatus::Failed;
        }
        if (n < 0)
            return SerialStatus::Failed;
        const Clock::TimePoint now = clock.now();
        if (now >= deadline) {
            error = kTimeoutError;
            return SerialStatus::TimedOut;
        }
        const Ms wait = std::max(Ms(1), std::chrono::duration_cast<Ms>(deadline - now));
        switch (channel.WaitWritable(wait, error)) {
        case ByteChannel::Wait::Ready:
        case ByteChannel::Wait::TimedOut:
            break;
        case ByteChannel::Wait::HangUp:
            error = kHangUpError;
            return SerialStatus::Failed;
        case ByteChannel::Wait::Error:
            return SerialStatus::Failed;
        }
    }
    return SerialStatus::Done;
}

} // namespace kovrin
