#include "tests/comm/LogCapture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kovrin {

LogCapture::LogCapture()
{
    // A fresh folder of this process's own (create_directory fails on an existing one).
    namespace fs = std::filesystem;
    static int serial = 0;
    std::error_code ec;
    fs::path made;
    do {
        made = fs::temp_directory_path() /
               ("kovrin-log-" + std::to_string(std::rand()) + "-" + std::to_string(++serial));
    } while (!fs::create_directory(made, ec) && !ec);
    folder_ = made.string() + static_cast<char>(fs::path::preferred_separator);
    SetDebugLogFolder(folder_);
    SetDebugConsole([this](std::string_view text) { console_.append(text); });
    SetLocalTimeSource([] {
        std::tm t{};
        t.tm_mon = 11;
        t.tm_mday = 7;
        t.tm_hour = 10;
        t.tm_min = 11;
        t.tm_sec = 12;
        return t;
    });
    ResetTrace();
    SetDebugMode(true);
}

LogCapture::~LogCapture()
{
    SetDebugMode(false);
    ResetTrace();
    SetDebugConsole({});
    SetLocalTimeSource({});
    SetDebugLogFolder({});
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

std::string LogCapture::fileText() const
{
    std::ifstream in(folder_ + kDebugLogName, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace kovrin
