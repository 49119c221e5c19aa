// Linked into every test binary: a test run by hand, outside CTest, keeps nothing in the
// user's own archive of states read, unless the caller named an archive folder.
#include <cstdlib>

namespace {
#ifdef _WIN32
bool TurnArchiveOff() { return ::_putenv("KOVRIN_ARCHIVE=off") == 0; }
#else
bool TurnArchiveOff() { return ::setenv("KOVRIN_ARCHIVE", "off", 0) == 0; }
#endif
const bool kArchiveOff = std::getenv("KOVRIN_ARCHIVE") != nullptr || TurnArchiveOff();
} // namespace
