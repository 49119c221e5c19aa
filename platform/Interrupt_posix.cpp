#include "platform/Interrupt.h"

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <thread>

namespace kovrin {

// SIGINT and SIGTERM stay blocked in every thread and are taken by sigwait on the
// watcher thread alone.
struct InterruptWatch::State {
    sigset_t signals{};
    sigset_t previous{};
    std::atomic<bool> closing{false};
    std::thread watcher;
};

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt) : state_(std::make_unique<State>())
{
    State& s = *state_;
    sigemptyset(&s.signals);
    sigaddset(&s.signals, SIGINT);
    sigaddset(&s.signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &s.signals, &s.previous);
    s.watcher = std::thread([&s, handler = std::move(onInterrupt)] {
        for (;;) {
            int signal = 0;
            if (sigwait(&s.signals, &signal) != 0 || s.closing.load())
                return;
            handler();
        }
    });
}

InterruptWatch::~InterruptWatch()
{
    State& s = *state_;
    s.closing.store(true);
    pthread_kill(s.watcher.native_handle(), SIGTERM);
    s.watcher.join();
    pthread_sigmask(SIG_SETMASK, &s.previous, nullptr);
}

} // namespace kovrin
