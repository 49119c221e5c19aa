#pragma once
// The log folder and file that every user of the PC writes to: created open to all, so
// the second user can append to what the first one started.
#include <string>

namespace kovrin {

// Creates `folder` and any missing parents; on Windows a new folder takes the attributes
// of `templateFolder` and an access list that lets everyone read, write and create files
// in it but only administrators change its permissions. True when it exists afterwards.
bool MakeSharedFolder(const std::string& folder, const std::string& templateFolder);

// Why an existing shared folder must not be written through (empty: it may). On Windows it
// must be a folder of its own, not a link (a junction could send every user's log into a
// folder of someone's choosing), and either owned by the administrators or the system (or
// by the administrator running this program), or under this program's protected access
// list, which leaves its owner no more rights than anyone (a folder made first by a user
// with an access list of their own is theirs).
std::string SharedFolderDistrust(const std::string& folder);

// Creates the file empty, for everyone to read and write, unless it exists already. On POSIX the
// first append creates it (with the process's permission mask): nothing to do here.
void CreateSharedFile(const std::string& path);

} // namespace kovrin
