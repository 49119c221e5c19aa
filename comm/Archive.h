#pragma once
// The archive of states read from switches: one folder per ATS code, one .kvnf file per
// state, byte-identical to what Save writes, named by the UTC time it was kept. Keeping a
// state never fails the command that read it: problems go to the debug log only.
// No shared state: several threads may keep states at once.
#include "config/ConfigRecord.h"

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace kovrin {

// Where states are kept, or that none are.
struct ArchiveLocation {
    bool enabled = true;
    std::string root;  // no trailing separator
};

// The setting KOVRIN_ARCHIVE: unset or empty, the system's folder (DefaultArchiveRoot);
// "off", nothing is kept; anything else, the folder it names.
ArchiveLocation ArchiveFromEnvironment();
inline constexpr const char* kArchiveVariable = "KOVRIN_ARCHIVE";

// An ATS code as a folder name that every system accepts: trailing blanks (the switch's
// padding) dropped, then bytes outside printable ASCII,
// characters that some system refuses in names, '%' itself, a leading dot and a trailing
// dot or blank become %XX; a reserved device name gets its first character escaped; an
// empty code is "%00" (a code never holds a zero byte). Distinct codes give distinct
// names, and ArchiveCodeOfFolder gives the code back (without its padding).
std::string ArchiveFolderName(std::string_view atsCode);
std::string ArchiveCodeOfFolder(std::string_view folderName);

// "2026-12-08_201530Z.kvnf" for the UTC time; attempt n > 0 adds "_n" before the
// extension, so names sort by time and a later state never takes an earlier one's name.
std::string ArchiveFileName(const std::tm& utc, int attempt = 0);

// What keeping a state did.
struct KeptState {
    std::string path;           // the file that holds the state; empty when not kept
    bool added = false;         // false: the newest state already was this one
    bool wordsChanged = false;  // words 0..15 differ from the newest state kept before
    std::string previous;       // that newest state's path, when there was one
};

// Keeps `record` (as Save would write it at time `when`) under its ATS code, unless the
// newest state kept for that switch is the same file but for its date line: a state is
// kept once. The path is empty when the archive is off or the state could not be kept
// (logged).
KeptState KeepStateOnce(const ConfigRecord& record, const ArchiveLocation& location, std::time_t when);
std::string KeepState(const ConfigRecord& record, const ArchiveLocation& location, std::time_t when);
std::string KeepState(const ConfigRecord& record, const ArchiveLocation& location = ArchiveFromEnvironment());
// Download's note when the switch holds other words than its newest kept state.
std::string ChangedSinceText(const KeptState& kept);

struct ArchivedSwitch {
    std::string code;     // the ATS code's bytes, as the record holds them
    std::string folder;   // its folder's full path
    std::size_t states = 0;
    std::string newest;   // file name of the newest state; empty when none
};

// Every switch with a folder in the archive, by folder name.
std::vector<ArchivedSwitch> ListArchivedSwitches(const ArchiveLocation& location);
// The full paths of one switch's states, newest first; empty when it has none.
std::vector<std::string> ListArchivedStates(const ArchiveLocation& location, std::string_view atsCode);

} // namespace kovrin
