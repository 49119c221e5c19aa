#pragma once
// The diagnostic writers. Silent unless debug mode is on; then each text goes to the
// console (when one is attached) and is appended to "debugkovrin.log", the file being
// opened and closed for every text so it is complete even after an abrupt end.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#if defined(__MINGW32__)
// mingw's C++ runtime formats the GNU way, not as the system's printf.
#define KOVRIN_PRINTF_LIKE(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#elif defined(__GNUC__)
#define KOVRIN_PRINTF_LIKE(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define KOVRIN_PRINTF_LIKE(fmt, args)
#endif

namespace kovrin {

// Process-wide "-debug" switch, set once at start-up.
void SetDebugMode(bool on);
bool DebugMode();

// The console the texts are echoed to. Empty (the default) means no console: texts reach
// only the file, as before the console is allocated at start-up.
using DebugConsole = std::function<void(std::string_view)>;
void SetDebugConsole(DebugConsole console);
// A console that writes to standard output (the terminal the program was started from).
DebugConsole StandardOutputConsole();

// Folder of the log files, ending with a separator: "Brisel" inside CommonDataFolder when
// WindowsVersion() > 5, else ProgramFolder. The USB bridge library's trace file
// "debugusbkovrin.log" goes in the same folder. Tests may point it elsewhere; an empty
// override returns to the default.
std::string DebugLogFolder();
void SetDebugLogFolder(std::string folder);
// DebugLogFolder() + "debugkovrin.log".
std::string DebugLogPath();
inline constexpr const char* kDebugLogName = "debugkovrin.log";
inline constexpr const char* kUsbDebugLogName = "debugusbkovrin.log";

// Local date and time used by LogStamped; tests inject a fixed one. Empty = the real time.
using LocalTimeSource = std::function<std::tm()>;
void SetLocalTimeSource(LocalTimeSource source);

// Writes `text` to the console and appends it to the log file (every "\n" reaches the file
// as "\r\n", as a text-mode file would hold it).
void DebugLog(std::string_view text);
// printf-style convenience over DebugLog (the composed text is bounded to 1023 chars).
void DebugLogF(const char* format, ...) KOVRIN_PRINTF_LIKE(1, 2);

enum TraceKind : int {
    kTraceReceived = 0,  // buffer a received byte, "<-%2.2X"
    kTraceSent = 1,      // buffer a sent byte, "->%2.2X"
    kTraceFlush = 2,     // write the buffered bytes as one line
    kTraceFlushEnd = 3,  // the same with the end mark " ..."
};
constexpr int kTraceLineEntries = 17;

// Hexadecimal traffic trace. A line holds at most 17 entries; a full buffer is written at
// once. A flush of an empty buffer writes just "\n\r" (" ...\n\r" for kind 3). The buffer
// is filled and flushed whether or not debug mode is on.
void TraceByte(std::uint8_t byte, int kind);

// Flushes the trace, then writes " MM\DD hh:mm:ss  text  \n". Texts longer than 182
// characters are cut.
void LogStamped(std::string_view text);
void LogStampedF(const char* format, ...) KOVRIN_PRINTF_LIKE(1, 2);

// The line LogStamped composes for a given time, without writing it.
std::string StampedLine(const std::tm& when, std::string_view text);

// For the lifetime of this object the calling thread's texts reach the log as whole lines,
// each begun with "[tag] ", and its traffic trace has a buffer of its own: threads that
// talk to several switches at once keep their lines apart. What is left is written at
// the end.
class ThreadLogLines {
public:
    explicit ThreadLogLines(std::string tag);
    ~ThreadLogLines();
    ThreadLogLines(const ThreadLogLines&) = delete;
    ThreadLogLines& operator=(const ThreadLogLines&) = delete;
};

// Empties the trace buffer without writing it (tests start from a known state).
void ResetTrace();

} // namespace kovrin
