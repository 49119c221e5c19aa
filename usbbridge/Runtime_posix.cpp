#include "Runtime.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>

#include <sys/resource.h>
#include <unistd.h>

namespace ubrix {

// The nearest to a time-critical thread without real-time scheduling: the lowest nice
// value this process may take. Unprivileged processes simply keep their priority.
void Runtime::raiseCurrentThreadPriority() {
    const auto tid = static_cast<id_t>(gettid());
    for (int nice = -20; nice < 0; nice += 5)
        if (setpriority(PRIO_PROCESS, tid, nice) == 0) return;
}

void writeStandardOutput(std::string_view text) {
    if (!stdout) return;
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

bool waitUnlessStopped(std::stop_token stop, std::chrono::milliseconds duration) {
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    wake.wait_for(lock, stop, duration, [] { return false; });
    return !stop.stop_requested();
}

} // namespace ubrix
