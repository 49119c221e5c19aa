#include "platform/ArchiveFolder.h"

#include "platform/FileReplace.h"
#include "platform/Folders.h"

#include <time.h>

namespace kovrin {

std::string DefaultArchiveRoot()
{
    const std::string data = XdgFolder("XDG_DATA_HOME", ".local/share");
    return data.empty() ? std::string() : data + "/kovrin/archive";
}

bool BreakDownTime(std::time_t t, bool utc, std::tm& out)
{
    return (utc ? ::gmtime_r(&t, &out) : ::localtime_r(&t, &out)) != nullptr;
}

bool CreateNewFile(const std::string& path, std::string_view bytes) { return CreateFileContents(path, bytes); }

} // namespace kovrin
