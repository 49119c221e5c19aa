#pragma once
// The program's first argument: exactly "-debug" turns on debug mode, anything else
// names a start-up configuration file. Later arguments are ignored.
#include <string>

namespace kovrin {

struct CommandLine {
    bool debugMode = false;
    std::string startupFile;  // kept whole: no fixed-size buffer to overflow
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

} // namespace kovrin
