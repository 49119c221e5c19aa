#include "Trace.h"

#include <cstdio>
#include <memory>

namespace ubrix {

namespace {

#if defined(_WIN32)
constexpr const char* kAppendMode = "a+t";
constexpr const char* kCreateMode = "w+t";
#else
constexpr const char* kAppendMode = "a+";
constexpr const char* kCreateMode = "w+";
#endif

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

void Trace::writeStdout(std::string_view text) {
    if (!stdout) return;
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

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
    if (file) std::fprintf(file.get(), "%.*s", static_cast<int>(text.size()), text.data());
}

} // namespace ubrix
