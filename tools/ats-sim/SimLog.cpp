#include "tools/ats-sim/SimLog.h"

namespace kovrin::sim {

bool SimLog::open(const std::string& path)
{
    if (path.empty())
        return true;
    file_.reset(std::fopen(path.c_str(), "a"));
    return static_cast<bool>(file_);
}

void SimLog::line(const std::string& text)
{
    std::FILE* out = file_ ? file_.get() : stderr;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    std::fprintf(out, "ats-sim [%9.3f] %s\n", seconds, text.c_str());
    std::fflush(out);
}

} // namespace kovrin::sim
