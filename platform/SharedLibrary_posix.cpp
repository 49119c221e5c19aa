#include "platform/SharedLibrary.h"

#include <cerrno>
#include <dlfcn.h>
#include <unistd.h>

namespace kovrin {

bool SharedLibrary::load(const std::string& path)
{
    unload();
    errorCode_ = 0;
    errorText_.clear();
    errno = 0;
    // RTLD_LOCAL keeps the library's own symbols out of the process's global scope, so
    // two builds of it (real and simulated) never resolve against each other.
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* text = dlerror();
        errorText_ = text != nullptr ? text : "";
        // The loader does not leave errno behind reliably: ask the file system why, and
        // call a readable file that would not load a bad executable.
        errorCode_ = access(path.c_str(), R_OK) != 0 ? static_cast<unsigned>(errno) : ENOEXEC;
        return false;
    }
    return true;
}

void SharedLibrary::unload()
{
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

void* SharedLibrary::symbol(const char* name) const
{
    if (handle_ == nullptr)
        return nullptr;
    return dlsym(handle_, name);
}

std::string SharedLibraryFileName(std::string_view stem)
{
    return "lib" + std::string(stem) + ".so";
}

bool SharedLibraryIsResident(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return false;
    dlclose(handle);
    return true;
}

} // namespace kovrin
