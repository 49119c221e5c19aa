#pragma once
// The median step between the output reports an emulated adapter took: the write pacing a
// user's adapter would see, whatever the start-up cost around it.
#include "tests/usbemu/AdapterSide.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace kovrin::bench {

inline double MedianStepMs(const std::vector<usbemu::Clock::time_point>& times)
{
    std::vector<double> steps;
    for (std::size_t i = 1; i < times.size(); ++i)
        steps.push_back(std::chrono::duration<double, std::milli>(times[i] - times[i - 1]).count());
    if (steps.empty())
        return 0;
    std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2), steps.end());
    return steps[steps.size() / 2];
}

} // namespace kovrin::bench
