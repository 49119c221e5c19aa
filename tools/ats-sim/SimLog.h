#pragma once
// The simulator's own log: one line per request and per event, with the seconds since
// start, on stderr or appended to a file.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

namespace kovrin::sim {

class SimLog {
public:
    // Empty path: standard error. False when the file cannot be opened.
    bool open(const std::string& path);
    void line(const std::string& text);

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

} // namespace kovrin::sim
