#include "Runtime.h"

#include <algorithm>

#include <windows.h>

namespace ubrix {

void Runtime::raiseCurrentThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL); }

// Sleeps in short slices and looks at the stop request between them. A stop callback is
// no use here: the mingw runtime can lose the wake-up when a callback ends while the
// request is still running it, and the reader would never be joined.
bool waitUnlessStopped(std::stop_token stop, std::chrono::milliseconds duration) {
    constexpr std::chrono::milliseconds kSlice{20};
    for (auto left = duration; left.count() > 0 && !stop.stop_requested(); left -= kSlice)
        Sleep(static_cast<DWORD>(std::min(left, kSlice).count()));
    return !stop.stop_requested();
}

} // namespace ubrix
