#pragma once
// Turns debug mode on for one test, sends the console to a string, the log file to a
// fresh temporary folder, and fixes the clock at 7 December, 10:11:12.
#include "comm/DebugLog.h"

#include <string>

namespace kovrin {

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::string& console() const { return console_; }
    void clear() { console_.clear(); }
    const std::string& folder() const { return folder_; }
    std::string fileText() const;  // the log file's bytes, empty when it does not exist

private:
    std::string console_;
    std::string folder_;
};

} // namespace kovrin
