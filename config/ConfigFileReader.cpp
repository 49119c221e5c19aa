#include "config/ConfigFile.h"
#include "config/DecimalText.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace kovrin {
namespace {

// A line is read with at most this many characters; a longer one is read as several.
constexpr std::size_t kLineChars = 999;
// The value of a line (after the colon, or a record line from column 9 on) is held in a
// buffer of 100 characters with its terminator: longer values are cut to this.
constexpr std::size_t kValueChars = 99;

constexpr int kFirstWordLine = 10;  // word n on line 10 + n, up to the sum on line 266
constexpr int kLastWordLine = kFirstWordLine + kRecordSumWord;
constexpr int kLateSumLine = 268;   // the sum is also taken from here
constexpr int kFirstHeaderLine = 3;
constexpr int kLastHeaderLine = 9;
constexpr std::size_t kHighByteColumn = 5;
constexpr std::size_t kHighByteWidth = 4;
constexpr std::size_t kLowByteColumn = 9;

// Header lines 3..9 in order: the field each sets and whether it is a text.
struct HeaderTarget {
    RecordField field;
    bool isText;
};

constexpr HeaderTarget kHeaderTargets[] = {
    {field::AtsCode, true},         {field::AtsModel, true},   {field::FirmwareVersion, true},
    {field::IoConfiguration, false}, {field::AtsType, false},  {field::InputSocket, false},
    {field::OutputSocket, false},
};

std::string_view columns(std::string_view line, std::size_t from, std::size_t count)
{
    return from < line.size() ? line.substr(from, count) : std::string_view();
}

void applyRecordLine(ConfigRecord& record, int lineNumber, std::string_view line)
{
    int word = -1;
    if (lineNumber >= kFirstWordLine && lineNumber <= kLastWordLine)
        word = lineNumber - kFirstWordLine;
    else if (lineNumber == kLateSumLine)
        word = kRecordSumWord;
    else
        return;  // a record line where none belongs never reaches the record
    const std::uint8_t high = ParseDecimalByte(columns(line, kHighByteColumn, kHighByteWidth));
    const std::uint8_t low = ParseDecimalByte(columns(line, kLowByteColumn, kValueChars));
    record.setWord(word, static_cast<std::uint16_t>(high << 8 | low));
}

void applyHeaderLine(ConfigRecord& record, int lineNumber, std::string_view line)
{
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return;
    std::string_view value = line.substr(colon + 1);
    if (!value.empty() && value.front() == ' ')
        value.remove_prefix(1);
    value = value.substr(0, kValueChars);
    const HeaderTarget& target = kHeaderTargets[lineNumber - kFirstHeaderLine];
    if (target.isText)
        record.setText(target.field, std::string(value));
    else
        record.setCode(target.field, static_cast<std::uint8_t>('0' + ParseDecimalByte(value)));
}

void applyLine(ConfigRecord& record, int lineNumber, std::string_view line)
{
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    // The rules read a line as a C string: it ends at a zero byte.
    line = line.substr(0, line.find('\0'));
    if (lineNumber == 1)
        return;
    if (!line.empty() && line.front() == '[')
        applyRecordLine(record, lineNumber, line);
    else if (lineNumber >= kFirstHeaderLine && lineNumber <= kLastHeaderLine)
        applyHeaderLine(record, lineNumber, line);
}

// Splits what `get` delivers (a byte, or EOF) into lines as a text-mode read does:
// CR LF counts as one line feed, and a line holds at most kLineChars characters.
template <class Get>
void readLines(ConfigRecord& record, Get get)
{
    ClearRecord(record);
    std::string line;
    line.reserve(kLineChars);
    int pending = EOF;
    int lineNumber = 0;
    for (;;) {
        line.clear();
        while (line.size() < kLineChars) {
            int c = pending != EOF ? pending : get();
            pending = EOF;
            if (c == EOF)
                break;
            if (c == '\r') {
                const int next = get();
                if (next == '\n')
                    c = '\n';
                else
                    pending = next;
            }
            line.push_back(static_cast<char>(c));
            if (c == '\n')
                break;
        }
        if (line.empty())
            return;
        applyLine(record, ++lineNumber, line);
    }
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

void ReadConfigText(ConfigRecord& record, std::string_view bytes)
{
    std::size_t at = 0;
    readLines(record, [&]() -> int {
        return at < bytes.size() ? static_cast<unsigned char>(bytes[at++]) : EOF;
    });
}

ReadResult ReadConfigFile(ConfigRecord& record, const std::string& fileName)
{
    std::error_code ec;
    if (std::filesystem::is_directory(fileName, ec))
        return ReadResult::CannotOpen;  // opens on some systems, never reads
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
    if (!file)
        return ReadResult::CannotOpen;
    std::FILE* f = file.get();
    readLines(record, [f] { return std::getc(f); });
    return ReadResult::Read;
}

} // namespace kovrin
