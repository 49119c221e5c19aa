#include "platform/InstanceLock.h"

#include <windows.h>

namespace kovrin {

InstanceLock::InstanceLock(const std::string& name) : where_(name)
{
    HANDLE mutex = ::CreateMutexA(nullptr, TRUE, name.c_str());
    if (mutex == nullptr)
        return;
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        state_ = State::AlreadyRunning;
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(mutex);
    state_ = State::Acquired;
}

InstanceLock::~InstanceLock()
{
    if (handle_ != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

} // namespace kovrin
