#pragma once
// How every view runs one event handler: it counts as running while it lasts (the close
// box waits for a running command), and an exception that escapes it is shown through
// `show` with its message (empty for a value that is no exception), then the program goes on.
#include <exception>
#include <string>
#include <utility>

namespace kovrin {

template <typename Handler, typename Show>
void RunGuarded(int& running, Handler&& handler, Show&& show)
{
    struct Running {
        int& count;
        explicit Running(int& c) : count(c) { ++count; }
        ~Running() { --count; }
    } counted(running);
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& e) {
        show(std::string(e.what()));
    } catch (...) {
        show(std::string());
    }
}

} // namespace kovrin
