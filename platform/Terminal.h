#pragma once
// Whether standard output is a terminal that can redraw lines in place (cursor up, clear
// line). Output to a file or pipe gets plain lines instead.
namespace kovrin {

// POSIX: standard output is a terminal. Windows: it is a console that takes VT sequences
// (switched on here when the console allows it).
bool StdoutRedrawable();

} // namespace kovrin
