#include "platform/SharedFiles.h"

#include "platform/Folders.h"

namespace kovrin {

bool MakeSharedFolder(const std::string& folder, const std::string&) { return MakeFolders(folder); }

std::string SharedFolderDistrust(const std::string&) { return {}; }

void CreateSharedFile(const std::string&) {}

} // namespace kovrin
