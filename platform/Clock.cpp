#include "platform/Clock.h"

#include <thread>

namespace kovrin {
namespace {

class SystemClock final : public Clock {
public:
    TimePoint now() const override { return std::chrono::steady_clock::now(); }
    void sleepFor(Ms duration) override { std::this_thread::sleep_for(duration); }
};

} // namespace

Clock& systemClock()
{
    static SystemClock clock;
    return clock;
}

} // namespace kovrin
