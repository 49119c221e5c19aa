#include "config/ConfigFile.h"

#include "platform/FileReplace.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace kovrin {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLineEnd = "\r\n";

// The header lines' labels with the field each shows and how many characters at most.
struct HeaderLine {
    const char* label;
    RecordField field;
    std::size_t maxChars;  // texts: their width in the file; codes: one character
    bool isCode;
};

constexpr HeaderLine kHeaderLines[] = {
    {"ATS Code: ", field::AtsCode, kAtsCodeMaxChars, false},
    {"ATS Model: ", field::AtsModel, kAtsModelMaxChars, false},
    {"Firmware version: ", field::FirmwareVersion, kFirmwareMaxChars, false},
    {"Input/Output configuration: ", field::IoConfiguration, 1, true},
    {"ATS Type: ", field::AtsType, 1, true},
    {"Input Socket: ", field::InputSocket, 1, true},
    {"Output Socket: ", field::OutputSocket, 1, true},
};

// A line feed inside a value would start a new line and shift every line after it, and
// the reader places the record words by line number: the value ends before it. A code
// written as nothing reads back as '0', as any code that is not a digit.
std::string headerValue(const ConfigRecord& record, const HeaderLine& h)
{
    if (h.isCode) {
        const std::uint8_t c = record.code(h.field);
        return c == 0 || c == '\n' ? std::string() : std::string(1, static_cast<char>(c));
    }
    const std::string text = record.text(h.field).substr(0, h.maxChars);
    return text.substr(0, text.find('\n'));
}

void appendRecordLine(std::string& out, int n, std::uint16_t value)
{
    char line[32];
    std::snprintf(line, sizeof line, "[%03u] %3u %3u", static_cast<unsigned>(n),
                  static_cast<unsigned>(value >> 8), static_cast<unsigned>(value & 0xFF));
    out += line;
    out += kLineEnd;
}

} // namespace

std::string OverwriteQuestion(std::string_view fileName)
{
    return std::string(fileName) + ": File already exist! Do you want replace it?";
}

std::string ConfigFileText(const ConfigRecord& record, const LocalDateTime& when)
{
    std::string out;
    out.reserve(4096);
    char date[80];
    std::snprintf(date, sizeof date, "Date: %02u-%02u-%04u %02u:%02u:%02u", static_cast<unsigned>(when.day),
                  static_cast<unsigned>(when.month), static_cast<unsigned>(when.year),
                  static_cast<unsigned>(when.hour), static_cast<unsigned>(when.minute),
                  static_cast<unsigned>(when.second));
    out += date;
    out += kLineEnd;
    out += kLineEnd;
    for (const HeaderLine& h : kHeaderLines) {
        out += h.label;
        out += headerValue(record, h);
        out += kLineEnd;
    }
    for (int n = 0; n < kRecordWordCount; ++n)
        appendRecordLine(out, n, record.word(n));
    return out;
}

WriteResult WriteConfigFile(const ConfigRecord& record, const std::string& fileName, FilePrompts& prompts,
                            const SaveTimeSource& now)
{
    if (fileName.empty()) {
        prompts.ShowError(kSaveEmptyNameMessage);
        return WriteResult::EmptyName;
    }
    std::error_code ec;
    const fs::path target(fileName);
    if (fs::exists(target, ec) && !prompts.AskOverwrite(OverwriteQuestion(fileName)))
        return WriteResult::Declined;
    const std::string text = ConfigFileText(record, now ? now() : SystemLocalTime());
    switch (ReplaceFileContents(fileName, text)) {
    case ReplaceResult::Replaced:
        return WriteResult::Written;
    case ReplaceResult::Untouched:
        prompts.ShowError(kSaveCannotOpenMessage);
        return WriteResult::CannotOpen;
    case ReplaceResult::MayBeDamaged:
        break;
    }
    prompts.ShowError(kSaveDamagedMessage);
    return WriteResult::Damaged;
}

} // namespace kovrin
