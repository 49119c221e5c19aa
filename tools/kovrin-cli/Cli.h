#pragma once
// Shared pieces of kovrin-cli: exit codes, parsed arguments, the command table's entry
// type, and the one-line error report.
#include "config/ConfigFile.h"

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kovrin::cli {

enum Exit : int {
    ExitOk = 0,
    ExitRefused = 1,   // validation refused the data
    ExitUsage = 2,
    ExitDevice = 3,    // device or link failure
    ExitFile = 4,      // cannot read IN or write OUT
};

struct Args {
    std::vector<std::string> positional;
    std::vector<std::string> flags;                            // "--force" -> "force"
    std::vector<std::pair<std::string, std::string>> values;   // in command-line order

    bool has(std::string_view flag) const;
    // Every value given for an option, in order.
    std::vector<std::string> all(std::string_view option) const;
};

struct Command {
    std::string_view name;
    std::string_view synopsis;     // after "kovrin-cli NAME "
    std::string_view summary;      // one line for --help
    std::string_view flags;        // accepted flags, blank-separated ("force verify")
    std::string_view valueOptions; // accepted options with a value ("set frequency port")
    int positionalCount;           // negative: at most that many
    int (*run)(const Args&);
};

// The command table (CommandTable.cpp).
std::span<const Command> Commands();

// Prints "kovrin-cli: <text>" on stderr as one line and returns `code`.
int Fail(int code, std::string_view text);
// A usage error that names the command's synopsis.
int UsageError(const Command& command, std::string_view text);

// Splits argv after the command name by the command's options; false (with `error`) for
// an unknown option, a missing value or the wrong count of positional arguments.
bool ParseArgs(const Command& command, std::span<char* const> argv, Args& out, std::string& error);

// Reads IN as the window opens a file; prints the error and gives false when it cannot.
bool ReadInput(const std::string& in, ConfigRecord& record);
// Writes OUT; an existing OUT is replaced only with --force. Returns the exit code.
int WriteOutput(const ConfigRecord& record, const std::string& out, bool force);

} // namespace kovrin::cli
