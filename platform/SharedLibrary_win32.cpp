#include "platform/SharedLibrary.h"

#include <windows.h>

namespace kovrin {

namespace {

// The system's text for an error code, without its line end.
std::string SystemErrorText(DWORD code)
{
    char text[512] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                   sizeof text, nullptr);
    std::string out(text, n);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' '))
        out.pop_back();
    return out;
}

} // namespace

bool SharedLibrary::load(const std::string& path)
{
    unload();
    errorCode_ = 0;
    errorText_.clear();
    handle_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
    if (handle_ == nullptr) {
        errorCode_ = static_cast<unsigned>(GetLastError());
        errorText_ = path + ": " + SystemErrorText(errorCode_);
        return false;
    }
    return true;
}

void SharedLibrary::unload()
{
    if (handle_ != nullptr) {
        FreeLibrary(reinterpret_cast<HMODULE>(handle_));
        handle_ = nullptr;
    }
}

void* SharedLibrary::symbol(const char* name) const
{
    if (handle_ == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
}

std::string SharedLibraryFileName(std::string_view stem)
{
    return std::string(stem) + ".dll";
}

bool SharedLibraryIsResident(const std::string& path)
{
    HMODULE module = nullptr;
    return GetModuleHandleExA(0, path.c_str(), &module) != 0 && FreeLibrary(module) != 0;
}

} // namespace kovrin
