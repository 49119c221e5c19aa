// Linked into every Qt test binary: choose the offscreen platform before any
// QApplication exists, unless the caller asked for another one.
#include <cstdlib>

namespace {
const bool kOffscreen = [] { return ::setenv("QT_QPA_PLATFORM", "offscreen", 0) == 0; }();
} // namespace
