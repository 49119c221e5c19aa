#include "platform/FileAppend.h"

#include <windows.h>

namespace kovrin {

namespace {

// Appending only: every write lands at the end, whatever another writer did meanwhile.
HANDLE openForAppend(const std::string& path)
{
    return ::CreateFileA(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

bool AppendFileContents(const std::string& path, std::string_view bytes)
{
    const HANDLE file = openForAppend(path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
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
