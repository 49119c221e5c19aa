#pragma once
// The .kvnf configuration file: a date line, seven identification lines and 257 record
// word lines. Files are byte-identical on every platform (CR LF line ends); the reader
// accepts LF and CR LF.
#include "config/ConfigRecord.h"

#include <functional>
#include <string>
#include <string_view>

namespace kovrin {

// Local date and time of the save, as the date line shows it.
struct LocalDateTime {
    int day = 1;     // 1..31
    int month = 1;   // 1..12
    int year = 1970;
    int hour = 0;    // 0..23
    int minute = 0;
    int second = 0;
};

using SaveTimeSource = std::function<LocalDateTime()>;
// The machine's local time now.
LocalDateTime SystemLocalTime();

// Title of every message box of the file commands and the writer.
inline constexpr std::string_view kFileMessageTitle = "Tarvix configurator";
inline constexpr std::string_view kSaveEmptyNameMessage =
    "Cannot save configuraton file: filename cannot be empty!";
inline constexpr std::string_view kSaveCannotOpenMessage =
    "Cannot save configuraton file: filename cannot be open!";
// A rewrite in place that failed half way and could not put the old content back.
inline constexpr std::string_view kSaveDamagedMessage =
    "Cannot save configuraton file: the file may be damaged!";
// "<name>: File already exist! Do you want replace it?"
std::string OverwriteQuestion(std::string_view fileName);

// How the writer talks to the user; the window shows message boxes, the tool prints.
class FilePrompts {
public:
    virtual ~FilePrompts() = default;
    // Error icon, OK button, kFileMessageTitle.
    virtual void ShowError(std::string_view text) = 0;
    // Question icon, Yes and No; true for Yes.
    virtual bool AskOverwrite(std::string_view question) = 0;
};

enum class WriteResult { Written, EmptyName, Declined, CannotOpen, Damaged };

// Asks before replacing an existing file, then puts the whole file in its place at once
// (platform/FileReplace.h): a failed save leaves an existing file as it was and no
// temporary file behind, or says (Damaged) that it could not; a file the user may not
// write is refused. Every outcome but Declined and Written has
// shown its message. Callers of the window may ignore the result.
WriteResult WriteConfigFile(const ConfigRecord& record, const std::string& fileName,
                            FilePrompts& prompts, const SaveTimeSource& now = SystemLocalTime);

// The file's exact bytes for this record and save time.
std::string ConfigFileText(const ConfigRecord& record, const LocalDateTime& when);

enum class ReadResult { Read, CannotOpen };

// Replaces the record with the file's content by the positional rules of the format;
// a file that cannot be opened (or is not a regular file) leaves the record unchanged.
ReadResult ReadConfigFile(ConfigRecord& record, const std::string& fileName);

// The same rules over bytes already in memory (ClearRecord first, as the file reader).
void ReadConfigText(ConfigRecord& record, std::string_view bytes);

} // namespace kovrin
