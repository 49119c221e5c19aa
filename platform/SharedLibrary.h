#pragma once
// A shared library loaded at run time and its exports looked up by name. The object owns
// the handle: destroying it (or unload()) releases the library.
#include <string>
#include <string_view>

namespace kovrin {

class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary() { unload(); }
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;

    // Loads the file at `path`, releasing whatever this object held before. On failure
    // errorCode() and errorText() say why.
    bool load(const std::string& path);
    void unload();
    bool loaded() const { return handle_ != nullptr; }

    // Address of the export `name`, or null when the library has none of that name (or
    // nothing is loaded).
    void* symbol(const char* name) const;

    // The system's error code of the last failed load (errno on POSIX, GetLastError on
    // Windows; 0 when the system gave none) and its text.
    unsigned errorCode() const { return errorCode_; }
    const std::string& errorText() const { return errorText_; }

private:
    void* handle_ = nullptr;
    unsigned errorCode_ = 0;
    std::string errorText_;
};

// The platform's file name for a library called `stem`: "libstem.so" or "stem.dll".
std::string SharedLibraryFileName(std::string_view stem);

// True while the library at `path` is loaded into this process by anyone. Tests use it to
// see that a library was really released.
bool SharedLibraryIsResident(const std::string& path);

} // namespace kovrin
