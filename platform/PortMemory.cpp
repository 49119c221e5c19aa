#include "platform/PortMemory.h"

#include <algorithm>

namespace kovrin {

namespace {

constexpr std::string_view kHeader[] = {
    "# COM port numbers of serial devices, one device a line: COMn and the device's name.",
    "# Change a number to move a device; delete a line to forget it. Kovrin adds new devices.",
};
constexpr std::string_view kUnreadMark = "# not understood: ";
constexpr std::size_t kLongestLine = 1024;

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool Printable(std::string_view s)
{
    return std::none_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

struct Entry {
    int number = 0;
    std::string name;
    std::string problem;  // empty: read
};

Entry ReadLine(std::string_view line)
{
    Entry e;
    if (line.size() > kLongestLine || !Printable(line)) {
        e.problem = "not a line of text";
        return e;
    }
    if (line.size() < 4 || (line[0] != 'C' && line[0] != 'c') || (line[1] != 'O' && line[1] != 'o') ||
        (line[2] != 'M' && line[2] != 'm')) {
        e.problem = "does not start with COM1..COM8";
        return e;
    }
    std::size_t i = 3;
    int n = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9' && n < 100)
        n = n * 10 + (line[i++] - '0');
    if (i == 3 || n < 1 || n > kComPortCount) {
        e.problem = "does not start with COM1..COM8";
        return e;
    }
    std::string_view rest = Trim(line.substr(i));
    if (!rest.empty() && rest.front() == '=')
        rest = Trim(rest.substr(1));
    if (rest.empty() || i == line.size() || (line[i] != ' ' && line[i] != '\t' && line[i] != '=')) {
        e.problem = "names no device";
        return e;
    }
    e.number = n;
    e.name = std::string(rest);
    return e;
}

} // namespace

PortMemory ParsePortMemory(std::string_view text, const std::string& fileName)
{
    PortMemory m;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view raw = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        ++lineNumber;
        const std::string_view line = Trim(raw);
        if (line.empty() || std::find(std::begin(kHeader), std::end(kHeader), line) != std::end(kHeader))
            continue;
        if (line.front() == '#') {
            m.comments.emplace_back(Printable(line) ? line : "#");
            continue;
        }
        Entry e = ReadLine(line);
        if (e.problem.empty()) {
            const auto& names = m.names;
            std::string& slot = m.names[static_cast<std::size_t>(e.number - 1)];
            if (!slot.empty())
                e.problem = "COM" + std::to_string(e.number) + " is given twice; the first line holds";
            else if (std::find(names.begin(), names.end(), e.name) != names.end())
                e.problem = "the device has a number already";
            else
                slot = e.name;
        }
        if (e.problem.empty())
            continue;
        m.notes.push_back("COM port memory " + fileName + " line " + std::to_string(lineNumber) + " ignored (" +
                          e.problem + "); the device it named gets a new number");
        // Kept for the user to mend; unprintable bytes would spoil the file, so they go.
        std::string kept(kUnreadMark);
        for (char c : line.substr(0, kLongestLine))
            kept += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
        m.comments.push_back(std::move(kept));
    }
    return m;
}

std::string FormatPortMemory(const PortMemory& memory)
{
    std::string out;
    for (std::string_view line : kHeader)
        (out += line) += '\n';
    for (const std::string& line : memory.comments)
        (out += line) += '\n';
    for (int n = 1; n <= kComPortCount; ++n) {
        const std::string& name = memory.names[static_cast<std::size_t>(n - 1)];
        if (!name.empty())
            out += "COM" + std::to_string(n) + " " + name + "\n";
    }
    return out;
}

Assignment AssignNumbers(PortMemory& memory, const std::vector<std::vector<std::string>>& present)
{
    auto& names = memory.names;
    const auto numberOf = [&](const std::vector<std::string>& device, std::string& as) -> int {
        for (const std::string& name : device) {
            const auto it = name.empty() ? names.end() : std::find(names.begin(), names.end(), name);
            if (it != names.end()) {
                as = name;
                return static_cast<int>(it - names.begin()) + 1;
            }
        }
        return 0;
    };
    const auto isPresent = [&](const std::string& name) {
        return std::any_of(present.begin(), present.end(), [&](const std::vector<std::string>& device) {
            return std::find(device.begin(), device.end(), name) != device.end();
        });
    };
    Assignment a;
    a.numbers.assign(present.size(), 0);
    a.rememberedAs.assign(present.size(), std::string());
    a.takenFrom.assign(present.size(), std::string());
    for (std::size_t i = 0; i < present.size(); ++i) {
        if (present[i].empty() || present[i].front().empty())
            continue;
        a.numbers[i] = numberOf(present[i], a.rememberedAs[i]);
        if (a.numbers[i] != 0) {
            // Remembered by an older name: from now on by its own, which no other device has.
            std::string& slot = names[static_cast<std::size_t>(a.numbers[i] - 1)];
            if (slot != present[i].front()) {
                slot = present[i].front();
                a.rememberedAs[i] = slot;
                a.changed = true;
            }
            continue;
        }
        auto slot = std::find(names.begin(), names.end(), std::string());
        if (slot == names.end()) {
            slot = std::find_if(names.begin(), names.end(), [&](const std::string& n) { return !isPresent(n); });
            if (slot != names.end())
                a.takenFrom[i] = *slot;
        }
        if (slot == names.end())
            continue;
        *slot = present[i].front();
        a.rememberedAs[i] = *slot;
        a.numbers[i] = static_cast<int>(slot - names.begin()) + 1;
        a.changed = true;
    }
    return a;
}

} // namespace kovrin
