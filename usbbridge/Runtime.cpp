#include "Runtime.h"

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

} // namespace ubrix
