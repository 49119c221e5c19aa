#include "platform/TimedIo.h"

#include <gtest/gtest.h>

#include <deque>

namespace kovrin {
namespace {

using namespace std::chrono_literals;
using Ms = Clock::Ms;

// A channel whose bytes arrive at scripted times on a fake clock. Waiting advances the
// clock to the next arrival or by the full time-out.
class ScriptedChannel final : public ByteChannel {
public:
    struct Arrival {
        Ms at;
        std::vector<std::uint8_t> bytes;  // empty: the peer hangs up at `at`
    };

    ScriptedChannel(FakeClock& clock, std::vector<Arrival> script) : clock_(clock), start_(clock.now())
    {
        for (auto& a : script)
            script_.push_back(std::move(a));
    }

    Wait WaitReadable(Ms timeout, unsigned&) override
    {
        release();
        if (!pending_.empty())
            return Wait::Ready;
        if (hungUp_)
            return Wait::HangUp;
        if (!script_.empty() && start_ + script_.front().at <= clock_.now() + timeout) {
            clock_.advance(std::chrono::duration_cast<Ms>(start_ + script_.front().at - clock_.now()));
            release();
            return pending_.empty() ? Wait::HangUp : Wait::Ready;
        }
        clock_.advance(timeout);
        return Wait::TimedOut;
    }

    Wait WaitWritable(Ms timeout, unsigned&) override
    {
        if (writable_)
            return Wait::Ready;
        clock_.advance(timeout);
        return Wait::TimedOut;
    }

    long ReadSome(std::uint8_t* buffer, std::size_t size, unsigned&) override
    {
        std::size_t n = 0;
        while (n < size && !pending_.empty()) {
            buffer[n++] = pending_.front();
            pending_.pop_front();
        }
        return n > 0 ? static_cast<long>(n) : (hungUp_ ? kHangUp : 0);
    }

    long WriteSome(const std::uint8_t*, std::size_t size, unsigned&) override
    {
        return writable_ ? static_cast<long>(size) : 0;
    }

    bool writable_ = true;

private:
    void release()
    {
        while (!script_.empty() && start_ + script_.front().at <= clock_.now()) {
            if (script_.front().bytes.empty())
                hungUp_ = true;
            for (auto b : script_.front().bytes)
                pending_.push_back(b);
            script_.pop_front();
        }
    }

    FakeClock& clock_;
    Clock::TimePoint start_;
    std::deque<Arrival> script_;
    std::deque<std::uint8_t> pending_;
    bool hungUp_ = false;
};

std::vector<std::uint8_t> Bytes(std::size_t n) { return std::vector<std::uint8_t>(n, 0x30); }

TEST(TimedRead, IntervalAndTotalRules)
{
    struct Case {
        const char* what;
        std::vector<ScriptedChannel::Arrival> script;
        std::size_t expected;
        SerialStatus status;
        std::size_t received;
        Ms elapsed;
    } cases[] = {
        {"full answer at once", {{100ms, Bytes(16)}}, 16, SerialStatus::Done, 16, 100ms},
        {"full answer in pieces", {{100ms, Bytes(10)}, {300ms, Bytes(6)}}, 16, SerialStatus::Done, 16, 300ms},
        {"short answer ends 1000 ms after its last byte", {{200ms, Bytes(12)}}, 16, SerialStatus::Done, 12, 1200ms},
        {"a gap under 1000 ms does not end the read", {{0ms, Bytes(8)}, {900ms, Bytes(8)}}, 16, SerialStatus::Done, 16, 900ms},
        {"silence", {}, 16, SerialStatus::TimedOut, 0, 3000ms},
        {"answer starting too late to complete", {{2500ms, Bytes(4)}}, 16, SerialStatus::TimedOut, 4, 3000ms},
        {"trickle past the total", {{0ms, Bytes(1)}, {900ms, Bytes(1)}, {1800ms, Bytes(1)}, {2700ms, Bytes(1)}},
         16, SerialStatus::TimedOut, 4, 3000ms},
        {"interval ending exactly at the total", {{2000ms, Bytes(3)}}, 16, SerialStatus::Done, 3, 3000ms},
        {"hang-up before any byte", {{500ms, {}}}, 16, SerialStatus::Failed, 0, 500ms},
        {"hang-up after part of an answer", {{100ms, Bytes(5)}, {200ms, {}}}, 16, SerialStatus::Done, 5, 200ms},
    };
    for (const Case& c : cases) {
        FakeClock clock;
        ScriptedChannel channel(clock, c.script);
        const auto start = clock.now();
        std::uint8_t buffer[64];
        std::size_t received = 99;
        unsigned error = 0;
        EXPECT_EQ(TimedRead(channel, clock, {}, buffer, c.expected, received, error), c.status) << c.what;
        EXPECT_EQ(received, c.received) << c.what;
        EXPECT_EQ(clock.since(start), c.elapsed) << c.what;
        if (c.status == SerialStatus::TimedOut) {
            EXPECT_EQ(error, kTimeoutError) << c.what;
        }
        if (c.status == SerialStatus::Failed) {
            EXPECT_EQ(error, kHangUpError) << c.what;
        }
    }
}

TEST(TimedWrite, BoundedByTheWriteTotal)
{
    const std::vector<std::uint8_t> frame = Bytes(20);
    for (bool writable : {true, false}) {
        FakeClock clock;
        ScriptedChannel channel(clock, {});
        channel.writable_ = writable;
        std::size_t written = 0;
        unsigned error = 0;
        const auto start = clock.now();
        const SerialStatus status = TimedWrite(channel, clock, {}, frame.data(), frame.size(), written, error);
        EXPECT_EQ(status, writable ? SerialStatus::Done : SerialStatus::TimedOut);
        EXPECT_EQ(written, writable ? 20u : 0u);
        EXPECT_EQ(clock.since(start), writable ? 0ms : 3000ms);
    }
}

} // namespace
} // namespace kovrin
