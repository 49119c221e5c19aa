#pragma once
// A command runs on the window's thread, and Windows marks a window whose queue goes
// unread for 5 s as not responding. The window installs a hook for the time a handler
// runs; a long wait of the link (a USB read, a serial transfer) calls it between slices
// of at most kWaitHookSlice, so the queue is read while the link waits. The hook belongs
// to the thread that installed it: waits on other threads never call it.
#include <chrono>
#include <functional>

namespace kovrin {

inline constexpr std::chrono::milliseconds kWaitHookSlice{100};

// Installs `hook` on this thread for its lifetime; the hook it replaced comes back after.
class ScopedWaitHook {
public:
    explicit ScopedWaitHook(std::function<void()> hook);
    ~ScopedWaitHook();
    ScopedWaitHook(const ScopedWaitHook&) = delete;
    ScopedWaitHook& operator=(const ScopedWaitHook&) = delete;

private:
    std::function<void()> previous_;
};

// True when this thread has a hook: a wait need only be cut into slices then.
bool WaitHookInstalled();

// Calls this thread's hook, if any. A hook that waits calls no hook again.
void RunWaitHook();

} // namespace kovrin
