#include "platform/FileAppend.h"

#include <windows.h>

namespace kovrin {

namespace {

// Write access in full, as flushing the file's buffers asks; others may only read while
// it is open, so the end found before writing stays the end.
HANDLE openForAppend(const std::string& path)
{
    return ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
}

} // namespace

bool AppendFileContents(const std::string& path, std::string_view bytes)
{
    const HANDLE file = openForAppend(path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER none{};
    bool ok = ::SetFilePointerEx(file, none, nullptr, FILE_END) != 0;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(bytes.size() - done > 0x100000 ? 0x100000 : bytes.size() - done);
        ok = ::WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) && wrote > 0;
        done += wrote;
    }
    ok = ok && ::FlushFileBuffers(file);
    return ::CloseHandle(file) && ok;
}

bool MayAppendToFile(const std::string& path)
{
    const HANDLE file = openForAppend(path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(file);
    return true;
}

} // namespace kovrin
