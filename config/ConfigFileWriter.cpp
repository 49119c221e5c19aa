#include "config/ConfigFile.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
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

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A fresh file beside the target that nobody else has opened; empty path on failure.
fs::path createTemporaryBeside(const fs::path& target, File& file)
{
    static std::mt19937 random{std::random_device{}()};
    const fs::path folder = target.parent_path();
    // Short enough that a long target name still leaves room for the suffix.
    const std::string base = "." + target.filename().string().substr(0, 100);
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%06x.tmp", static_cast<unsigned>(random() & 0xFFFFFF));
        const fs::path candidate = folder / (base + suffix);
        // "x": exclusive creation, never an existing file.
        file.reset(std::fopen(candidate.string().c_str(), "wbx"));
        if (file)
            return candidate;
        std::error_code ec;
        if (!fs::exists(candidate, ec))
            break;  // not a name clash: the folder is not writable
    }
    return {};
}

// Writes `text` to a temporary file and renames it over `target`. On failure nothing
// of it stays behind and the target is as it was.
bool replaceWholeFile(const fs::path& target, const std::string& text)
{
    File file;
    const fs::path temporary = createTemporaryBeside(target, file);
    if (temporary.empty())
        return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    ok = std::fflush(file.get()) == 0 && ok;
    ok = std::fclose(file.release()) == 0 && ok;
    std::error_code ec;
    if (ok) {
        // Keep the permissions of the file being replaced.
        const fs::file_status old = fs::status(target, ec);
        if (!ec && fs::exists(old))
            fs::permissions(temporary, old.permissions(), ec);
        fs::rename(temporary, target, ec);
        ok = !ec;
    }
    if (!ok)
        fs::remove(temporary, ec);
    return ok;
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
    if (!replaceWholeFile(target, text)) {
        prompts.ShowError(kSaveCannotOpenMessage);
        return WriteResult::CannotOpen;
    }
    return WriteResult::Written;
}

} // namespace kovrin
