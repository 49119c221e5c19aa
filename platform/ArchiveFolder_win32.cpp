#include "platform/ArchiveFolder.h"

#include <windows.h>
#include <shlobj.h>

namespace kovrin {

std::string DefaultArchiveRoot()
{
    char path[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK || !path[0])
        return {};
    return std::string(path) + "\\Kovrin\\archive";
}

bool BreakDownTime(std::time_t t, bool utc, std::tm& out)
{
    return (utc ? gmtime_s(&out, &t) : localtime_s(&out, &t)) == 0;
}

bool CreateNewFile(const std::string& path, std::string_view bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                       written == bytes.size();
    const bool ok = CloseHandle(file) && wrote;
    if (!ok)
        DeleteFileA(path.c_str());
    return ok;
}

} // namespace kovrin
