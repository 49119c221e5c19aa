#include "tools/ats-sim/harness/SimProcess.h"

namespace kovrin::sim {

std::optional<SimProcess> SimProcess::Start(const std::vector<std::string>& options, std::string& error,
                                            const std::string& logPath)
{
    ChildProcess::Launch launch;
    launch.argv.push_back(ProgramPath("ats-sim"));
    launch.argv.insert(launch.argv.end(), options.begin(), options.end());
    if (!logPath.empty()) {
        launch.argv.push_back("--log");
        launch.argv.push_back(logPath);
    }
    // Its log is read by people, not by us: a captured pipe nobody drains could fill up.
    launch.captureStderr = false;
    std::optional<ChildProcess> child = ChildProcess::Start(launch, error);
    if (!child)
        return std::nullopt;
    std::optional<std::string> path = child->readLine(Millis(5000));
    if (!path || path->empty()) {
        const ExitStatus s = child->stop();
        error = "ats-sim printed no path (exit code " + std::to_string(s.code) + ")";
        return std::nullopt;
    }
    return SimProcess(std::move(*child), std::move(*path));
}

} // namespace kovrin::sim
