#include "platform/Console.h"

#include <atomic>
#include <cerrno>
#include <unistd.h>

namespace kovrin {

namespace {
std::atomic<bool> g_open{false};
}

bool ConsoleOpen()
{
    g_open = true;
    return true;
}

void ConsoleClose() { g_open = false; }

bool ConsoleIsOpen() { return g_open; }

void ConsoleWrite(std::string_view text)
{
    if (!g_open)
        return;
    // Unbuffered, so the trace shows up at once and in order with the log file.
    while (!text.empty()) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

} // namespace kovrin
