#include "platform/Event.h"

#include "platform/OpenSecurity_win32.h"

#include <windows.h>

namespace kovrin {

namespace {

class Win32Event final : public NamedEvent {
public:
    explicit Win32Event(HANDLE h) : handle_(h) {}
    ~Win32Event() override { ::CloseHandle(handle_); }
    void set() override { ::SetEvent(handle_); }
    void reset() override { ::ResetEvent(handle_); }
    bool waitFor(std::chrono::milliseconds timeout) override
    {
        return ::WaitForSingleObject(handle_, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
    }

private:
    HANDLE handle_;
};

} // namespace

std::shared_ptr<NamedEvent> NamedEvent::create(const std::string& name)
{
    // Auto-reset, not signalled, open to any process.
    OpenSecurity security;
    HANDLE h = ::CreateEventA(security.get(), FALSE, FALSE, name.c_str());
    return h == nullptr ? nullptr : std::make_shared<Win32Event>(h);
}

std::shared_ptr<NamedEvent> NamedEvent::open(const std::string& name)
{
    HANDLE h = ::OpenEventA(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, name.c_str());
    return h == nullptr ? nullptr : std::make_shared<Win32Event>(h);
}

} // namespace kovrin
