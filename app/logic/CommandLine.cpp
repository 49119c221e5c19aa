#include "app/logic/CommandLine.h"

#include <string_view>

namespace kovrin {

CommandLine ParseCommandLine(int argc, const char* const* argv)
{
    CommandLine result;
    if (argc < 2 || !argv || !argv[1])
        return result;
    const std::string_view first = argv[1];
    // Exactly this spelling: "-Debug" and "/debug" name a start-up file.
    if (first == "-debug")
        result.debugMode = true;
    else
        result.startupFile = first;
    return result;
}

} // namespace kovrin
