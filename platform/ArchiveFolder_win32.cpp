#include "platform/ArchiveFolder.h"
#include "platform/FileReplace.h"

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

bool CreateNewFile(const std::string& path, std::string_view bytes) { return CreateFileContents(path, bytes); }

} // namespace kovrin
