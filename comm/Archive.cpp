#include "comm/Archive.h"

#include "comm/DebugLog.h"
#include "config/ConfigFile.h"
#include "config/SwitchIdentity.h"
#include "platform/ArchiveFolder.h"
#include "platform/Folders.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kovrin {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kExtension = ".kvnf";
constexpr std::string_view kRefusedInNames = "<>:\"/\\|?*%";
// Names Windows keeps for devices whatever the extension.
constexpr std::array<std::string_view, 22> kReservedNames = {
    "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
    "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9",
};

std::string Hex(unsigned char c)
{
    char text[4];
    std::snprintf(text, sizeof text, "%%%02X", c);
    return text;
}

bool IsReserved(std::string_view code)
{
    std::string stem(code.substr(0, code.find('.')));
    std::transform(stem.begin(), stem.end(), stem.begin(), [](unsigned char c) { return std::toupper(c); });
    return std::find(kReservedNames.begin(), kReservedNames.end(), stem) != kReservedNames.end();
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

LocalDateTime LocalOf(std::time_t when)
{
    std::tm tm{};
    if (!BreakDownTime(when, false, tm))
        return {};
    return {tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string Join(const std::string& folder, const std::string& name)
{
    return folder + kPathSeparator + name;
}

bool IsState(const fs::directory_entry& entry)
{
    std::error_code ignored;
    const std::string name = entry.path().filename().string();
    return entry.is_regular_file(ignored) && name.size() > kExtension.size() &&
           name.compare(name.size() - kExtension.size(), kExtension.size(), kExtension) == 0;
}

// The state files of one folder by name, newest first.
std::vector<std::string> StateNames(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (IsState(*it))
            names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end(), std::greater<>());
    return names;
}

} // namespace

ArchiveLocation ArchiveFromEnvironment()
{
    const char* setting = std::getenv(kArchiveVariable);
    if (!setting || !*setting)
        return {true, DefaultArchiveRoot()};
    if (std::string_view(setting) == "off")
        return {false, {}};
    std::string root = setting;
    while (root.size() > 1 && (root.back() == '/' || root.back() == kPathSeparator))
        root.pop_back();
    return {true, root};
}

std::string ArchiveFolderName(std::string_view atsCode)
{
    // A switch pads its code to the field's width; "A" and "A  " are one switch.
    atsCode = TrimSwitchText(atsCode);
    if (atsCode.empty())
        return "%00";
    std::string name;
    for (std::size_t i = 0; i < atsCode.size(); ++i) {
        const auto c = static_cast<unsigned char>(atsCode[i]);
        const bool last = i + 1 == atsCode.size();
        const bool escape = c < 0x20 || c >= 0x7F || kRefusedInNames.find(static_cast<char>(c)) != std::string_view::npos ||
                            (i == 0 && c == '.') || (last && (c == '.' || c == ' ')) ||
                            (i == 0 && IsReserved(atsCode));
        name += escape ? Hex(c) : std::string(1, static_cast<char>(c));
    }
    return name;
}

std::string ArchiveCodeOfFolder(std::string_view folderName)
{
    if (folderName == "%00")
        return {};
    std::string code;
    for (std::size_t i = 0; i < folderName.size(); ++i) {
        if (folderName[i] == '%' && i + 2 < folderName.size() && HexDigit(folderName[i + 1]) >= 0 &&
            HexDigit(folderName[i + 2]) >= 0) {
            code += static_cast<char>(HexDigit(folderName[i + 1]) * 16 + HexDigit(folderName[i + 2]));
            i += 2;
        } else {
            code += folderName[i];
        }
    }
    return code;
}

std::string ArchiveFileName(const std::tm& utc, int attempt)
{
    char name[64];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d_%02d%02d%02dZ", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
                  utc.tm_hour, utc.tm_min, utc.tm_sec);
    std::string result = name;
    if (attempt > 0)
        result += "_" + std::to_string(attempt);
    return result + std::string(kExtension);
}

namespace {

// The file's text after its first line (the date).
std::string_view AfterDateLine(std::string_view text)
{
    const std::size_t end = text.find('\n');
    return end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
}

std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string WriteState(const std::string& folder, const std::tm& utc, const std::string& bytes)
{
    // Two states within one second take the next free name.
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string path = Join(folder, ArchiveFileName(utc, attempt));
        std::error_code ignored;
        if (fs::exists(path, ignored))
            continue;
        if (CreateNewFile(path, bytes))
            return path;
        if (!fs::exists(path, ignored)) {
            DebugLogF("Archive: cannot write %s, state not kept\n", path.c_str());
            return {};
        }
    }
    DebugLogF("Archive: no free name in %s, state not kept\n", folder.c_str());
    return {};
}

} // namespace

KeptState KeepStateOnce(const ConfigRecord& record, const ArchiveLocation& location, std::time_t when)
{
    KeptState kept;
    if (!location.enabled)
        return kept;
    if (location.root.empty()) {
        DebugLog("Archive: no folder for the archive, state not kept\n");
        return kept;
    }
    const std::string folder = Join(location.root, ArchiveFolderName(record.text(field::AtsCode)));
    if (!MakeFolders(folder)) {
        DebugLogF("Archive: cannot create %s, state not kept\n", folder.c_str());
        return kept;
    }
    std::tm utc{};
    if (!BreakDownTime(when, true, utc)) {
        DebugLog("Archive: no time for the state's name, state not kept\n");
        return kept;
    }
    const std::string bytes = ConfigFileText(record, LocalOf(when));
    if (const std::vector<std::string> states = StateNames(folder); !states.empty()) {
        kept.previous = Join(folder, states.front());
        if (AfterDateLine(FileText(kept.previous)) == AfterDateLine(bytes)) {
            kept.path = kept.previous;
            return kept;
        }
        ConfigRecord newest;
        if (ReadConfigFile(newest, kept.previous) == ReadResult::Read)
            for (int i = 0; i < kParameterWordCount; ++i)
                kept.wordsChanged = kept.wordsChanged || newest.word(i) != record.word(i);
    }
    kept.path = WriteState(folder, utc, bytes);
    kept.added = !kept.path.empty();
    return kept;
}

std::string KeepState(const ConfigRecord& record, const ArchiveLocation& location, std::time_t when)
{
    return KeepStateOnce(record, location, when).path;
}

std::string ChangedSinceText(const KeptState& kept)
{
    if (!kept.wordsChanged)
        return {};
    return "The switch holds other words than its newest archived state (" + kept.previous +
           "): it was changed since.";
}

std::string KeepState(const ConfigRecord& record, const ArchiveLocation& location)
{
    return KeepState(record, location, std::time(nullptr));
}

std::vector<ArchivedSwitch> ListArchivedSwitches(const ArchiveLocation& location)
{
    std::vector<ArchivedSwitch> switches;
    if (!location.enabled || location.root.empty())
        return switches;
    std::error_code error;
    for (fs::directory_iterator it(location.root, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (!it->is_directory(ignored))
            continue;
        ArchivedSwitch entry;
        const std::string name = it->path().filename().string();
        entry.code = ArchiveCodeOfFolder(name);
        entry.folder = Join(location.root, name);
        const std::vector<std::string> states = StateNames(entry.folder);
        entry.states = states.size();
        if (!states.empty())
            entry.newest = states.front();
        switches.push_back(std::move(entry));
    }
    std::sort(switches.begin(), switches.end(),
              [](const ArchivedSwitch& a, const ArchivedSwitch& b) { return a.folder < b.folder; });
    return switches;
}

std::vector<std::string> ListArchivedStates(const ArchiveLocation& location, std::string_view atsCode)
{
    std::vector<std::string> paths;
    if (!location.enabled || location.root.empty())
        return paths;
    const std::string folder = Join(location.root, ArchiveFolderName(atsCode));
    for (const std::string& name : StateNames(folder))
        paths.push_back(Join(folder, name));
    return paths;
}

} // namespace kovrin
