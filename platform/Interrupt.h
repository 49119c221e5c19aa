#pragma once
// Ctrl+C for a program that stops cleanly: while a watch exists, the interrupt does not end
// the process but calls the watch's handler on a thread of its own (never inside a signal
// handler), so the handler may take locks and wake waiting threads.
#include <functional>
#include <memory>

namespace kovrin {

class InterruptWatch {
public:
    // Create it before starting other threads: on POSIX they inherit the blocked signal.
    explicit InterruptWatch(std::function<void()> onInterrupt);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    struct State;

private:
    std::unique_ptr<State> state_;
};

} // namespace kovrin
