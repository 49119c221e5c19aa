#pragma once
// The Win32 view's start-up: the program's run with the Win32 forms and message loop.
#include <string>
#include <vector>

namespace kovrin {
class LinkService;
}

namespace kovrin::win32 {

int RunKovrin(const std::vector<std::string>& arguments, LinkService& links);

} // namespace kovrin::win32
