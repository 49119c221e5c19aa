#pragma once
// How one overlapped report transfer ended, from what its waits reported. Kept apart from
// the system calls so that every ending, the rare ones included, is judged the same way.
#include <cstdint>

namespace ubrix {

// How the wait for the transfer's event ended.
enum class WaitEnd { Signalled, TimedOut, Failed };

// The transfer's completion as the system reported it; after a cancel it may have ended
// with data all the same (it finished as the deadline passed), or not at all (a driver
// that never completes the cancel).
struct Completion {
    bool ended = false;
    bool ok = false;
    std::uint32_t moved = 0;
};

enum class Outcome { Done, TimedOut, WaitFailed, ResultFailed, Abandoned };

Outcome judgeTransfer(WaitEnd waited, Completion completion);

} // namespace ubrix
