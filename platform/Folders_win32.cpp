#include "platform/Folders.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>

namespace kovrin {

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    char drive[_MAX_DRIVE] = {}, dir[_MAX_DIR] = {};
    _splitpath(path, drive, dir, nullptr, nullptr);
    return std::string(drive) + dir;
}

std::string CommonDataFolder()
{
    char path[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return {};
    return path;
}

unsigned WindowsVersion()
{
    VersionReport report;
    OSVERSIONINFOA basic{};
    basic.dwOSVersionInfoSize = sizeof basic;
    report.basicOk = GetVersionExA(&basic) != 0;
    report.platformId = basic.dwPlatformId;
    report.major = basic.dwMajorVersion;
    report.minor = basic.dwMinorVersion;
    if (report.basicOk && report.platformId == VER_PLATFORM_WIN32_NT) {
        OSVERSIONINFOEXA extended{};
        extended.dwOSVersionInfoSize = sizeof extended;
        report.extendedOk = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&extended)) != 0;
        report.productType = extended.wProductType;
    }
    return ClassifyWindowsVersion(report);
}

bool MakeFolders(const std::string& folder)
{
    for (std::size_t at = 3; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '\\' && folder[at] != '/')
            continue;
        CreateDirectoryA(folder.substr(0, at).c_str(), nullptr);
    }
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace kovrin
