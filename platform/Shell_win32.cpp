#include "platform/Shell.h"

#include <windows.h>
#include <shellapi.h>

namespace kovrin {

unsigned OpenDocument(const std::string& folder, const std::string& file, const std::string&)
{
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteA(nullptr, "open", file.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL));
    return static_cast<unsigned>(result);
}

} // namespace kovrin
