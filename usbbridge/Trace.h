#pragma once
// The library's trace: every line goes to the console and/or the trace file, as the two
// switches given at initialisation say. The file is opened and closed for every text.
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace ubrix {

inline constexpr std::size_t kTracePathLength = 300;

class Trace {
public:
    using ConsoleWriter = std::function<void(std::string_view)>;

    // Writes to the process's standard output when it is valid.
    static void writeStdout(std::string_view text);

    explicit Trace(ConsoleWriter console = writeStdout) : console_(std::move(console)) {}

    // Stores the switches and the path, cut to kTracePathLength characters.
    void configure(unsigned char console, unsigned char file, const char* path);
    unsigned char consoleSwitch() const;
    unsigned char fileSwitch() const;
    std::string path() const;

    void operator()(std::string_view text);

private:
    mutable std::mutex mutex_;
    ConsoleWriter console_;
    unsigned char consoleOn_ = 1;
    unsigned char fileOn_ = 1;
    std::string path_;
};

} // namespace ubrix
