#include "Runtime.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include <windows.h>

namespace ubrix {

void Runtime::raiseCurrentThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL); }

// Sleeps in short slices and looks at the stop request between them. A stop callback is
// no use here: the mingw runtime can lose the wake-up when a callback ends while the
// request is still running it, and the reader would never be joined.
bool waitUnlessStopped(std::stop_token stop, std::chrono::milliseconds duration) {
    constexpr std::chrono::milliseconds kSlice{20};
    for (auto left = duration; left.count() > 0 && !stop.stop_requested(); left -= kSlice)
        Sleep(static_cast<DWORD>(std::min(left, kSlice).count()));
    return !stop.stop_requested();
}

// Not through the C library's stdout: a windowed program's stdout was bound at start-up,
// before its debug console existed, and never reaches it. Line ends become CR LF, as
// a text-mode stream would write them.
void writeStandardOutput(std::string_view text) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    std::string bytes;
    bytes.reserve(text.size() + 8);
    for (const char c : text) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    // What the program itself wrote through stdout comes first, as before.
    if (stdout) std::fflush(stdout);
    DWORD written = 0;
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

} // namespace ubrix
