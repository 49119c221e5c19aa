#pragma once
// An ats-sim child for the tests and the benchmark: started with the given options, its
// line's path read from its first output line.
#include "tools/ats-sim/harness/ChildProcess.h"

#include <optional>
#include <string>
#include <vector>

namespace kovrin::sim {

class SimProcess {
public:
    // `logPath` empty: the simulator's log goes to this process's stderr.
    static std::optional<SimProcess> Start(const std::vector<std::string>& options, std::string& error,
                                           const std::string& logPath = "");

    const std::string& path() const { return path_; }
    ChildProcess& process() { return *child_; }
    // SIGTERM and wait: the simulator writes its --save file on the way out.
    ExitStatus stop() { return child_->stop(); }

private:
    SimProcess(ChildProcess child, std::string path) : child_(std::move(child)), path_(std::move(path)) {}

    std::optional<ChildProcess> child_;
    std::string path_;
};

} // namespace kovrin::sim
