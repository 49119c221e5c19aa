#include "platform/Folders.h"

namespace kovrin {

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
