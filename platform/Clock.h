#pragma once
// Every timed wait of the program goes through a Clock, so the 100/750/1000/3000 ms
// rules can be exercised in tests without real time passing.
#include <chrono>

namespace kovrin {

class Clock {
public:
    using Ms = std::chrono::milliseconds;
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual TimePoint now() const = 0;
    virtual void sleepFor(Ms duration) = 0;

    // Milliseconds elapsed since `start`.
    Ms since(TimePoint start) const { return std::chrono::duration_cast<Ms>(now() - start); }
};

// The real steady clock; sleeping blocks the calling thread.
Clock& systemClock();

// A clock that moves only when slept on or advanced; sleeping returns at once.
class FakeClock final : public Clock {
public:
    TimePoint now() const override { return now_; }
    void sleepFor(Ms duration) override {
        now_ += duration;
        slept_ += duration;
    }
    void advance(Ms duration) { now_ += duration; }
    Ms totalSlept() const { return slept_; }

private:
    TimePoint now_{};
    Ms slept_{0};
};

} // namespace kovrin
