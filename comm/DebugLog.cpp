#include "comm/DebugLog.h"

#include "platform/ArchiveFolder.h"
#include "platform/Folders.h"
#include "platform/SharedFiles.h"

#include <cstdarg>
#include <cstdio>
#include <algorithm>
#include <mutex>

namespace kovrin {

namespace {

// Traffic trace: byte values and their directions, flushed as one line.
struct TraceLine {
    std::uint8_t bytes[kTraceLineEntries] = {};
    std::uint8_t kinds[kTraceLineEntries] = {};
    int count = 0;
};

struct LogState {
    std::mutex mutex;
    bool debugMode = false;
    DebugConsole console;
    std::string folderOverride;
    std::string checkedFolder;  // the log folder last looked at, and why it is not used
    std::string distrust;
    LocalTimeSource timeSource;
    TraceLine trace;
};

LogState& State()
{
    static LogState state;
    return state;
}

// A worker of a run over several ports (ThreadLogLines): its texts are held until a line
// is complete, so lines of different threads never mix, and its trace is its own.
struct ThreadLog {
    bool active = false;
    std::string tag;
    std::string pending;
    TraceLine trace;
};

ThreadLog& Thread()
{
    thread_local ThreadLog log;
    return log;
}

std::string FolderLocked(const LogState& s)
{
    if (!s.folderOverride.empty())
        return s.folderOverride;
    const std::string common = CommonDataFolder();
    // Without a data folder the log stays beside the program rather than at the root.
    if (!UsesCommonDataFolder(WindowsVersion()) || common.empty())
        return ProgramFolder();
    return common + kPathSeparator + "Brisel" + kPathSeparator;
}

// Appends to the log file in the form a text-mode file holds: "\n" as "\r\n". The folder
// and the file are first made open to every user of the PC.
void AppendToFile(LogState& s, const std::string& folder, std::string_view text)
{
    if (!MakeSharedFolder(folder, CommonDataFolder()))
        return;
    // Looked at once per folder: a folder not to be trusted leaves the trace on the console.
    if (s.checkedFolder != folder) {
        s.checkedFolder = folder;
        s.distrust = SharedFolderDistrust(folder);
        if (!s.distrust.empty() && s.console)
            s.console("Log file not written: " + s.distrust + "; the trace goes to this console only\n");
    }
    if (!s.distrust.empty())
        return;
    const std::string path = folder + kDebugLogName;
    CreateSharedFile(path);
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file)
        return;
    std::fwrite(out.data(), 1, out.size(), file);
    std::fclose(file);
}

void WriteLocked(LogState& s, std::string_view text)
{
    if (!s.debugMode)
        return;
    ThreadLog& t = Thread();
    if (t.active) {
        t.pending += text;
        const std::size_t end = t.pending.rfind('\n');
        if (end == std::string::npos)
            return;
        std::string lines;
        std::size_t from = 0;
        while (from <= end) {
            const std::size_t next = t.pending.find('\n', from);
            lines += t.tag + t.pending.substr(from, next + 1 - from);
            from = next + 1;
        }
        t.pending.erase(0, end + 1);
        text = lines;
        if (s.console)
            s.console(text);
        AppendToFile(s, FolderLocked(s), text);
        return;
    }
    if (s.console)
        s.console(text);
    AppendToFile(s, FolderLocked(s), text);
}

void FlushTraceLocked(LogState& s, TraceLine& trace, bool endMark)
{
    std::string line;
    char entry[8];
    for (int i = 0; i < trace.count; ++i) {
        std::snprintf(entry, sizeof entry, trace.kinds[i] == kTraceSent ? "->%2.2X" : "<-%2.2X",
                      trace.bytes[i]);
        line += entry;
    }
    if (endMark)
        line += " ...";
    line += "\n\r";
    trace.count = 0;
    WriteLocked(s, line);
}

void FlushTraceLocked(LogState& s, bool endMark)
{
    if (Thread().active)
        FlushTraceLocked(s, Thread().trace, endMark);
    else
        FlushTraceLocked(s, s.trace, endMark);
}

std::tm NowLocked(const LogState& s)
{
    if (s.timeSource)
        return s.timeSource();
    // The reentrant form: gang workers read the local time outside this lock too.
    std::tm local{};
    if (!BreakDownTime(std::time(nullptr), false, local))
        return std::tm{};
    return local;
}

std::string Vformat(const char* format, va_list args)
{
    char buffer[1024];
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (n < 0)
        return {};
    return std::string(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
}

} // namespace

void SetDebugMode(bool on)
{
    std::lock_guard lock(State().mutex);
    State().debugMode = on;
}

bool DebugMode()
{
    std::lock_guard lock(State().mutex);
    return State().debugMode;
}

void SetDebugConsole(DebugConsole console)
{
    std::lock_guard lock(State().mutex);
    State().console = std::move(console);
}

DebugConsole StandardOutputConsole()
{
    return [](std::string_view text) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    };
}

std::string DebugLogFolder()
{
    std::lock_guard lock(State().mutex);
    return FolderLocked(State());
}

void SetDebugLogFolder(std::string folder)
{
    if (!folder.empty() && folder.back() != kPathSeparator)
        folder += kPathSeparator;
    std::lock_guard lock(State().mutex);
    State().folderOverride = std::move(folder);
}

std::string DebugLogPath()
{
    return DebugLogFolder() + kDebugLogName;
}

void SetLocalTimeSource(LocalTimeSource source)
{
    std::lock_guard lock(State().mutex);
    State().timeSource = std::move(source);
}

void DebugLog(std::string_view text)
{
    std::lock_guard lock(State().mutex);
    WriteLocked(State(), text);
}

void DebugLogF(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = Vformat(format, args);
    va_end(args);
    DebugLog(text);
}

namespace {

void TraceLocked(LogState& s, TraceLine& trace, std::uint8_t byte, int kind)
{
    if (kind == kTraceReceived || kind == kTraceSent) {
        trace.bytes[trace.count] = byte;
        trace.kinds[trace.count] = static_cast<std::uint8_t>(kind);
        if (++trace.count == kTraceLineEntries)
            FlushTraceLocked(s, trace, false);
        return;
    }
    FlushTraceLocked(s, trace, kind == kTraceFlushEnd);
}

} // namespace

void TraceByte(std::uint8_t byte, int kind)
{
    std::lock_guard lock(State().mutex);
    if (Thread().active)
        TraceLocked(State(), Thread().trace, byte, kind);
    else
        TraceLocked(State(), State().trace, byte, kind);
}

ThreadLogLines::ThreadLogLines(std::string tag)
{
    std::lock_guard lock(State().mutex);
    ThreadLog& t = Thread();
    t = ThreadLog{};
    t.active = true;
    t.tag = tag.empty() ? std::string() : "[" + tag + "] ";
}

ThreadLogLines::~ThreadLogLines()
{
    std::lock_guard lock(State().mutex);
    LogState& s = State();
    ThreadLog& t = Thread();
    if (t.trace.count > 0)
        FlushTraceLocked(s, t.trace, false);
    if (!t.pending.empty())
        WriteLocked(s, "\n");
    t.active = false;
}

std::string StampedLine(const std::tm& when, std::string_view text)
{
    char date[16], time[16];
    std::snprintf(date, sizeof date, "%02d\\%02d", (when.tm_mon + 1) % 100, when.tm_mday % 100);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", when.tm_hour % 100, when.tm_min % 100,
                  when.tm_sec % 100);
    const std::string_view cut = text.substr(0, 182);
    std::string inner = std::string(date) + " " + time + "  " + std::string(cut) + " ";
    return " " + inner + " \n";
}

void LogStamped(std::string_view text)
{
    std::lock_guard lock(State().mutex);
    LogState& s = State();
    FlushTraceLocked(s, false);
    WriteLocked(s, StampedLine(NowLocked(s), text));
}

void LogStampedF(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = Vformat(format, args);
    va_end(args);
    LogStamped(text);
}

void ResetTrace()
{
    std::lock_guard lock(State().mutex);
    State().trace.count = 0;
}

} // namespace kovrin
