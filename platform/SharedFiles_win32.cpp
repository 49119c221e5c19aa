#include "platform/SharedFiles.h"

#include "platform/Folders.h"
#include "platform/OpenSecurity_win32.h"

#include <windows.h>

namespace kovrin {

bool MakeSharedFolder(const std::string& folder, const std::string& templateFolder)
{
    OpenSecurity security;
    // An existing folder is left as it is; a missing parent is made the plain way.
    if (CreateDirectoryExA(templateFolder.c_str(), folder.c_str(), security.get()))
        return true;
    return MakeFolders(folder);
}

void CreateSharedFile(const std::string& path)
{
    OpenSecurity security;
    const HANDLE file = CreateFileA(path.c_str(), FILE_ALL_ACCESS, 0, security.get(), CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

} // namespace kovrin
