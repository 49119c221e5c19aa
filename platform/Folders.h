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

// What the system's version queries answered (GetVersionExA with the basic record, then
// with the extended one on the NT family).
struct VersionReport {
    bool basicOk = false;
    unsigned platformId = 0;  // 1: the Windows 95 family, 2: the NT family
    unsigned major = 0;
    unsigned minor = 0;
    bool extendedOk = false;
    unsigned productType = 0;  // 1: workstation
};

// The version code of a report: 0 unknown, 1 the 95 family, 2 NT 4 or older, 3 to 5 the
// 5.x versions, 6 to 9 the 6.0 and 6.1 workstation and server versions, 99 anything newer.
unsigned ClassifyWindowsVersion(const VersionReport& report);

// A code above 5 keeps data in CommonDataFolder, any other code in ProgramFolder.
inline bool UsesCommonDataFolder(unsigned versionCode) { return versionCode > 5; }

// The folder chosen by that rule for the running system (CommonDataFolder is returned
// with a trailing separator added, so both choices end with one).
std::string DataFolder();

// Creates `folder` and any missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& folder);

} // namespace kovrin
