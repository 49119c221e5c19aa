#include "Runtime.h"

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

} // namespace ubrix
