#pragma once
// One copy of the program per user session. The lock is held for as long as the object
// lives; a second copy sees AlreadyRunning. Any other failure leaves the program
// unprotected but running (Unavailable).
#include <cstdint>
#include <string>

namespace kovrin {

class InstanceLock {
public:
    enum class State { Acquired, AlreadyRunning, Unavailable };

    // name: "TARVIXCONFIG". On POSIX the lock file is <name>.lock in $XDG_RUNTIME_DIR,
    // else in /tmp with the user id in its name.
    explicit InstanceLock(const std::string& name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    State state() const { return state_; }
    bool alreadyRunning() const { return state_ == State::AlreadyRunning; }
    // Where the lock lives (file path or object name), for the log.
    const std::string& where() const { return where_; }

private:
    State state_ = State::Unavailable;
    std::string where_;
    std::intptr_t handle_ = -1;  // file descriptor or HANDLE value
};

} // namespace kovrin
