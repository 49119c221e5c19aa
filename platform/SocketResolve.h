#pragma once
// Shared by the two socket implementations: a blocking call given a bound.
#include "platform/Clock.h"

#include <functional>

namespace kovrin {

// Runs `work` on a thread of its own; true when it finished within `timeout`. On false
// the work goes on unseen, so it must own (or share) everything it touches.
bool RunBounded(std::function<void()> work, Clock::Ms timeout);

} // namespace kovrin
