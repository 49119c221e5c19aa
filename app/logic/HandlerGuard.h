#pragma once
// What every view does around the window logic's handlers, in one place: a handler
// counts as running while it lasts (commands block the window's thread, and a close
// request or a rebuild that arrives meanwhile must not act under them), an exception
// that escapes it is shown and the program goes on, and the first show runs once.
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

class HandlerGuard {
public:
    // Runs `handler`; an escaping exception's message (empty for a value that is no
    // exception) goes to `show`.
    template <typename Handler, typename Show>
    void run(Handler&& handler, Show&& show)
    {
        RunGuarded(running_, std::forward<Handler>(handler), std::forward<Show>(show));
    }

    // A handler is under way (they nest through modal dialogs).
    bool running() const { return running_ > 0; }

    // The user's close request is dropped while a command runs: closing would
    // disconnect under it. The user closes again once it ended. Exit's own close,
    // from inside its handler, goes through.
    bool closeAllowed() const { return running_ == 0 || closeByCommand_; }

    // `close` runs as the program's own close request.
    template <typename Close>
    void closeByCommand(Close&& close)
    {
        closeByCommand_ = true;
        std::forward<Close>(close)();
        closeByCommand_ = false;
    }

    // True the first time only: FormShow runs once, at the first show.
    bool firstShow()
    {
        if (shown_)
            return false;
        shown_ = true;
        return true;
    }

private:
    int running_ = 0;
    bool closeByCommand_ = false;
    bool shown_ = false;
};

} // namespace kovrin
