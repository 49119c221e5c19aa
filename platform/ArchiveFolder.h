#pragma once
// Where the states read from switches are kept, and the two system calls keeping them
// needs that differ between systems. Safe to call from several threads at once.
#include <ctime>
#include <string>
#include <string_view>

namespace kovrin {

// The user's archive folder without a trailing separator: Linux
// $XDG_DATA_HOME/kovrin/archive (else ~/.local/share/kovrin/archive), Windows
// %LOCALAPPDATA%\Kovrin\archive. Empty when the system gives no such folder.
std::string DefaultArchiveRoot();

// `t` broken down as UTC (or as local time); false when the system cannot.
bool BreakDownTime(std::time_t t, bool utc, std::tm& out);

// Creates the file `path`, which must not exist yet, holding `bytes`, as a save writes
// (CreateFileContents): whole or not at all, after a power cut too. False when it already
// exists or cannot be written.
bool CreateNewFile(const std::string& path, std::string_view bytes);

} // namespace kovrin
