#pragma once
// The log folder and file that every user of the PC writes to: created open to all, so
// the second user can append to what the first one started.
#include <string>

namespace kovrin {

// Creates `folder` and any missing parents; on Windows a new folder takes the attributes
// of `templateFolder` and an access list that lets everyone read, write and create files
// in it but only administrators change its permissions. True when it exists afterwards.
bool MakeSharedFolder(const std::string& folder, const std::string& templateFolder);

// Creates the file empty, for everyone to read and write, unless it exists already. On POSIX the
// first append creates it (with the process's permission mask): nothing to do here.
void CreateSharedFile(const std::string& path);

} // namespace kovrin
