#pragma once
// Auto-reset event the reader sets just before it ends.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace ubrix {

class StopEvent {
public:
    void set() {
        {
            std::lock_guard lock(mutex_);
            signalled_ = true;
        }
        changed_.notify_all();
    }
    // True when set within `timeout`; consumes the signal.
    bool waitFor(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        const bool got = changed_.wait_for(lock, timeout, [this] { return signalled_; });
        signalled_ = false;
        return got;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
};

} // namespace ubrix
