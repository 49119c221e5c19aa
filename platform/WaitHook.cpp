#include "platform/WaitHook.h"

#include <utility>

namespace kovrin {
namespace {

thread_local std::function<void()> installed;
thread_local bool inHook = false;

} // namespace

ScopedWaitHook::ScopedWaitHook(std::function<void()> hook) : previous_(std::exchange(installed, std::move(hook))) {}

ScopedWaitHook::~ScopedWaitHook() { installed = std::move(previous_); }

bool WaitHookInstalled() { return static_cast<bool>(installed) && !inHook; }

void RunWaitHook()
{
    if (!installed || inHook)
        return;
    inHook = true;
    struct Leave {
        ~Leave() { inHook = false; }
    } leave;
    installed();
}

} // namespace kovrin
