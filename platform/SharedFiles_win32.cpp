#include "platform/SharedFiles.h"

#include "platform/Folders.h"

#include <windows.h>

#include <sddl.h>

namespace kovrin {

namespace {

// Everyone (WD) may read, write, append and create (0x1201bf: generic read, write and
// execute, no delete, no change of permissions or owner); the owner (S-1-3-4, owner
// rights) no more than that, so whoever creates the folder cannot take it over; only
// administrators (BA) and the system (SY) have full control. Protected: nothing is
// inherited from the parent that could add rights.
constexpr const char* kSharedFolder = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1201bf;;;WD)"
                                      "(A;OICI;0x1201bf;;;S-1-3-4)";
constexpr const char* kSharedFile = "D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1201bf;;;WD)(A;;0x1201bf;;;S-1-3-4)";

class SharedSecurity {
public:
    explicit SharedSecurity(const char* sddl)
    {
        attributes_.nLength = sizeof attributes_;
        attributes_.bInheritHandle = FALSE;
        if (ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor_, nullptr))
            attributes_.lpSecurityDescriptor = descriptor_;
    }
    ~SharedSecurity()
    {
        if (descriptor_)
            LocalFree(descriptor_);
    }
    SharedSecurity(const SharedSecurity&) = delete;
    SharedSecurity& operator=(const SharedSecurity&) = delete;
    // Null when the descriptor could not be built: the object then gets the default
    // (private) one, never an open one.
    SECURITY_ATTRIBUTES* get() { return descriptor_ ? &attributes_ : nullptr; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{};
};

} // namespace

bool MakeSharedFolder(const std::string& folder, const std::string& templateFolder)
{
    SharedSecurity security(kSharedFolder);
    // An existing folder is left as it is; a missing parent is made the plain way.
    if (CreateDirectoryExA(templateFolder.c_str(), folder.c_str(), security.get()))
        return true;
    return MakeFolders(folder);
}

void CreateSharedFile(const std::string& path)
{
    SharedSecurity security(kSharedFile);
    const HANDLE file = CreateFileA(path.c_str(), FILE_ALL_ACCESS, 0, security.get(), CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

} // namespace kovrin
