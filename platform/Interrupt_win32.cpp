#include "platform/Interrupt.h"

#include <mutex>
#include <windows.h>

namespace kovrin {

// The console runs its control handlers on a thread of their own, which is what the
// watch promises; one watch at a time holds the handler.
struct InterruptWatch::State {
    std::function<void()> handler;
};

namespace {

std::mutex gMutex;
InterruptWatch::State* gCurrent = nullptr;

BOOL WINAPI OnControl(DWORD type)
{
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT)
        return FALSE;
    std::lock_guard lock(gMutex);
    if (gCurrent)
        gCurrent->handler();
    return TRUE;
}

} // namespace

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt) : state_(std::make_unique<State>())
{
    state_->handler = std::move(onInterrupt);
    {
        std::lock_guard lock(gMutex);
        gCurrent = state_.get();
    }
    SetConsoleCtrlHandler(OnControl, TRUE);
}

InterruptWatch::~InterruptWatch()
{
    SetConsoleCtrlHandler(OnControl, FALSE);
    std::lock_guard lock(gMutex);
    gCurrent = nullptr;
}

} // namespace kovrin
