#pragma once
// The two folders the program keeps its files in, and the version probe that chooses
// between them. Each is worked out once, at first use.
#include <string>

namespace kovrin {

// Path separator of the running system.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Folder of the program's own file, always ending with a separator.
std::string ProgramFolder();

// The machine's (on Linux: the user's) application-data folder, without a trailing
// separator: $XDG_DATA_HOME, else ~/.local/share. Empty when it cannot be worked out.
std::string CommonDataFolder();

// Small code for the running system version. Linux reports 99, a system newer than the
// probe knows.
unsigned WindowsVersion();

// A code above 5 keeps data in CommonDataFolder, any other code in ProgramFolder.
inline bool UsesCommonDataFolder(unsigned versionCode) { return versionCode > 5; }

// The folder chosen by that rule for the running system (CommonDataFolder is returned
// with a trailing separator added, so both choices end with one).
std::string DataFolder();

// Creates `folder` and any missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& folder);

} // namespace kovrin
