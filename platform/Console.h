#pragma once
// The console of debug mode. Text written here appears only while the console is open,
// which is why the start-up line logged before opening it reaches the log file alone.
#include <string_view>

namespace kovrin {

// POSIX: the standard output the program was started with. Windows: AllocConsole.
bool ConsoleOpen();
// Releases the console; writes after this are dropped.
void ConsoleClose();
bool ConsoleIsOpen();
// Writes the text as it is (no line end added); nothing when the console is closed.
void ConsoleWrite(std::string_view text);

// What the console says when Ctrl+C or Ctrl+Break was pressed in it (Windows): the
// program goes on.
inline constexpr std::string_view kConsoleKeyIgnored =
    "\r\nCtrl+C does not end the program: close its window to end it.\r\n";

} // namespace kovrin
