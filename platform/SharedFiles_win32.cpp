#include "platform/SharedFiles.h"

#include "platform/Folders.h"

#include <windows.h>

#include <aclapi.h>
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

namespace {

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) { return sid && IsWellKnownSid(sid, type); }

bool IsAdministration(PSID sid)
{
    return IsWellKnown(sid, WinBuiltinAdministratorsSid) || IsWellKnown(sid, WinLocalSystemSid);
}

// The access list leaves no one but the administrators and the system a right to change
// it, take it over or delete, and cuts the owner's own implicit rights (an entry for
// OWNER RIGHTS); nothing inherited can add to it.
bool ProtectedAsShared(PSECURITY_DESCRIPTOR descriptor, PACL dacl)
{
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!dacl || !GetSecurityDescriptorControl(descriptor, &control, &revision) || !(control & SE_DACL_PROTECTED))
        return false;
    constexpr DWORD kTakeOver = WRITE_DAC | WRITE_OWNER | DELETE | FILE_DELETE_CHILD | GENERIC_ALL;
    bool ownerCut = false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry))
            return false;
        const auto* header = static_cast<ACE_HEADER*>(entry);
        if (header->AceType == ACCESS_DENIED_ACE_TYPE)
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            return false;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        PSID sid = &allowed->SidStart;
        if (IsWellKnown(sid, WinCreatorOwnerRightsSid))
            ownerCut = true;
        if (!IsAdministration(sid) && (allowed->Mask & kTakeOver))
            return false;
    }
    return ownerCut;
}

// The folder's owner is the user running this program, who is an administrator (and could
// change any folder anyway).
bool OwnedByThisAdministrator(PSID owner)
{
    HANDLE token = nullptr;
    if (!owner || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    alignas(TOKEN_USER) unsigned char buffer[256];
    DWORD size = 0;
    const bool isUser = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
                        EqualSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, owner);
    CloseHandle(token);
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD adminsSize = sizeof admins;
    BOOL member = FALSE;
    return isUser && CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &adminsSize) &&
           CheckTokenMembership(nullptr, admins, &member) && member;
}

} // namespace

std::string SharedFolderDistrust(const std::string& folder)
{
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return folder + " is not a folder";
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return folder + " is a link to another place (a junction or a symbolic link), not a folder of its own";
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              &owner, nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return folder + ": its owner and access list cannot be read";
    const bool trusted =
        IsAdministration(owner) || OwnedByThisAdministrator(owner) || ProtectedAsShared(descriptor, dacl);
    LocalFree(descriptor);
    if (trusted)
        return {};
    return folder + " was made by a user with an access list of its own, not by the administrators";
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
