#include "platform/Socket.h"
#include "platform/SocketResolve.h"

#include <cstdint>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace kovrin {

bool RunBounded(std::function<void()> work, Clock::Ms timeout)
{
    // The look-up runs on a thread of its own: the system's resolver has no time-out of
    // ours. A look-up still running when the bound passes finishes unseen and frees
    // what it shares with us.
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
    };
    auto shared = std::make_shared<Shared>();
    auto job = std::make_shared<std::function<void()>>(std::move(work));
    std::thread([shared, job] {
        (*job)();
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->finished = true;
        shared->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(shared->mutex);
    return shared->done.wait_for(lock, timeout, [&] { return shared->finished; });
}

bool Socket::DiscardReceived(unsigned& error)
{
    std::uint8_t scrap[512];
    for (;;) {
        const long n = ReadSome(scrap, sizeof scrap, error);
        if (n == 0)
            return true;
        if (n < 0) {
            if (n == kHangUp)
                error = kHangUpError;
            return false;
        }
    }
}

} // namespace kovrin
