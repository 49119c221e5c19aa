// Linked into every Qt test binary: choose the offscreen platform before any
// QApplication exists, unless the caller asked for another one. Its screen is a desktop's
// (1280x1024) rather than the platform's 800x600, which the main window would not fit. A
// plain QT_QPA_PLATFORM=offscreen (as the test scripts set) gets the same screen.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string gConfig;

const bool kOffscreen = [] {
    const char* asked = std::getenv("QT_QPA_PLATFORM");
    if (asked != nullptr && std::string(asked) != "offscreen")
        return true;
    char path[] = "/tmp/kovrin-offscreen-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0)
        return ::setenv("QT_QPA_PLATFORM", "offscreen", 1) == 0;
    static const char kScreen[] =
        R"({"screens": [{"name": "Desktop", "x": 0, "y": 0, "width": 1280, "height": 1024,)"
        R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
    const bool written = ::write(fd, kScreen, sizeof kScreen - 1) == ssize_t(sizeof kScreen - 1);
    ::close(fd);
    gConfig = path;
    std::atexit([] { ::unlink(gConfig.c_str()); });
    const std::string platform = written ? "offscreen:configfile=" + gConfig : std::string("offscreen");
    return ::setenv("QT_QPA_PLATFORM", platform.c_str(), 1) == 0;
}();

} // namespace
