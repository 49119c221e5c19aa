#pragma once
// Bounded waits of the simulator. Every wait also watches the stop descriptor, so
// SIGTERM or SIGINT ends the simulator even in the middle of a paced answer.
#include "tools/ats-sim/UniqueFd.h"

#include <chrono>
#include <csignal>
#include <optional>
#include <string>

namespace kovrin::sim {

using SteadyTime = std::chrono::steady_clock::time_point;

// Blocks SIGTERM, SIGINT and SIGHUP and hands them over through a descriptor; the
// previous signal mask comes back when this goes away.
class StopSignals {
public:
    static std::optional<StopSignals> Install(std::string& error);
    StopSignals(StopSignals&& other) noexcept;
    StopSignals& operator=(StopSignals&&) = delete;
    ~StopSignals();

    int fd() const { return fd_.get(); }

private:
    StopSignals() = default;
    UniqueFd fd_;
    bool restore_ = false;
    sigset_t oldMask_{};
};

enum class Wake { Ready, Stop, Timeout, Error };

// Waits until `fd` is ready for `events`, the stop descriptor fires, or the deadline
// passes (no deadline: wait without limit).
Wake WaitFor(int fd, short events, int stopFd, std::optional<SteadyTime> deadline);

// Sleeps until the deadline; false when the stop descriptor fired first.
bool SleepUntil(SteadyTime deadline, int stopFd);

} // namespace kovrin::sim
