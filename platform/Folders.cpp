#include "platform/Folders.h"

namespace kovrin {

unsigned ClassifyWindowsVersion(const VersionReport& r)
{
    if (!r.basicOk)
        return 0;
    if (r.platformId == 1)
        return 1;
    if (r.platformId != 2)
        return 0;
    // A failed extended query counts as a workstation.
    const bool workstation = !r.extendedOk || r.productType == 1;
    if (r.major <= 4)
        return 2;
    if (r.major == 5)
        return r.minor == 0 ? 3 : r.minor == 1 ? 4 : r.minor == 2 ? 5 : 99;
    if (r.major == 6 && r.minor == 0)
        return workstation ? 6 : 8;
    if (r.major == 6 && r.minor == 1)
        return workstation ? 7 : 9;
    return 99;
}

std::string DataFolder()
{
    if (!UsesCommonDataFolder(WindowsVersion()))
        return ProgramFolder();
    std::string folder = CommonDataFolder();
    if (folder.empty() || folder.back() != kPathSeparator)
        folder += kPathSeparator;
    return folder;
}

} // namespace kovrin
