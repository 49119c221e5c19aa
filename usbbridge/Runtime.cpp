#include "Runtime.h"

#include <condition_variable>
#include <mutex>
#include <system_error>

namespace ubrix {

bool Runtime::startThread(std::jthread& thread, std::function<void(std::stop_token)> body) {
    try {
        thread = std::jthread(std::move(body));
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

bool waitUnlessStopped(std::stop_token stop, std::chrono::milliseconds duration) {
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    wake.wait_for(lock, stop, duration, [] { return false; });
    return !stop.stop_requested();
}

} // namespace ubrix
