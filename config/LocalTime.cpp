#include "config/ConfigFile.h"

#include <ctime>

namespace kovrin {

LocalDateTime SystemLocalTime()
{
    const std::time_t t = std::time(nullptr);
    // Only the GUI thread (or the tool's one thread) saves, so the shared result of
    // localtime is not raced.
    const std::tm* tm = std::localtime(&t);
    if (!tm)
        return {};
    return {tm->tm_mday, tm->tm_mon + 1, tm->tm_year + 1900, tm->tm_hour, tm->tm_min, tm->tm_sec};
}

} // namespace kovrin
