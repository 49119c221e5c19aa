#include "Trace.h"

#include "Runtime.h"

#include <cstdio>
#include <memory>

namespace ubrix {

namespace {

// The file is a text file with CR LF line ends on every system. Binary mode with the
// line ends written here gives the same bytes as the C library's text mode on Windows.
constexpr const char* kAppendMode = "a+b";
constexpr const char* kCreateMode = "w+b";

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

void writeWithCrLf(std::FILE* file, std::string_view text) {
    for (const char c : text) {
        if (c == '\n') std::fputc('\r', file);
        std::fputc(c, file);
    }
}

} // namespace

void Trace::writeStdout(std::string_view text) { writeStandardOutput(text); }

void Trace::configure(unsigned char console, unsigned char file, const char* path) {
    std::lock_guard lock(mutex_);
    consoleOn_ = console;
    fileOn_ = file;
    path_.clear();
    if (path) {
        std::size_t n = 0;
        while (n < kTracePathLength && path[n] != '\0') ++n;
        path_.assign(path, n);
    }
}

unsigned char Trace::consoleSwitch() const {
    std::lock_guard lock(mutex_);
    return consoleOn_;
}

unsigned char Trace::fileSwitch() const {
    std::lock_guard lock(mutex_);
    return fileOn_;
}

std::string Trace::path() const {
    std::lock_guard lock(mutex_);
    return path_;
}

void Trace::operator()(std::string_view text) {
    std::lock_guard lock(mutex_);
    if (consoleOn_ && console_) console_(text);
    if (!fileOn_ || path_.empty()) return;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path_.c_str(), kAppendMode));
    if (!file) file.reset(std::fopen(path_.c_str(), kCreateMode));
    if (file) writeWithCrLf(file.get(), text);
}

} // namespace ubrix
