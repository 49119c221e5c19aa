// ats-sim: a simulated transfer switch for demos, training and the end-to-end tests.
#include "config/ConfigFile.h"
#include "tools/ats-sim/Line.h"
#include "tools/ats-sim/Server.h"
#include "tools/ats-sim/SimOptions.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace kovrin;
using namespace kovrin::sim;

// The simulator replaces its save file without asking and logs what goes wrong.
class SavePrompts final : public FilePrompts {
public:
    explicit SavePrompts(SimLog& log) : log_(log) {}
    void ShowError(std::string_view text) override { log_.line(std::string(text)); }
    bool AskOverwrite(std::string_view) override { return true; }

private:
    SimLog& log_;
};

bool Save(const SimOptions& options, const SimSwitch& sw, SimLog& log)
{
    if (options.savePath.empty())
        return true;
    SavePrompts prompts(log);
    const bool ok = WriteConfigFile(ToRecord(sw.state()), options.savePath, prompts) == WriteResult::Written;
    log.line(ok ? "saved the words to " + options.savePath : "could not save " + options.savePath);
    return ok;
}

int Run(const SimOptions& options)
{
    SimLog log;
    if (!log.open(options.logPath)) {
        std::fprintf(stderr, "ats-sim: cannot open the log %s\n", options.logPath.c_str());
        return 1;
    }
    SwitchState state;
    std::string error;
    if (!BuildSwitchState(options, state, error)) {
        std::fprintf(stderr, "ats-sim: %s\n", error.c_str());
        return 1;
    }
    std::optional<StopSignals> stop = StopSignals::Install(error);
    if (!stop) {
        std::fprintf(stderr, "ats-sim: %s\n", error.c_str());
        return 1;
    }
    std::optional<Line> line = options.device.empty() ? Line::OpenPty(error) : Line::OpenDevice(options.device, error);
    if (!line) {
        std::fprintf(stderr, "ats-sim: %s\n", error.c_str());
        return 1;
    }
    std::optional<SymlinkGuard> link;
    if (!options.link.empty()) {
        link = SymlinkGuard::Create(options.link, line->path(), error);
        if (!link) {
            std::fprintf(stderr, "ats-sim: %s\n", error.c_str());
            return 1;
        }
    }
    // Scripts and tests read the path from the first line.
    std::printf("%s\n", line->path().c_str());
    std::fflush(stdout);

    SimSwitch sw(std::move(state), options.faults);
    log.line("serving " + line->path() + (options.fast ? " (fast)" : " at 1200 baud 8N1"));
    const ServeEnd end = Serve(*line, sw, Pacer(options.fast), log, stop->fd());
    log.line(end == ServeEnd::Stopped  ? "stopped after " + std::to_string(sw.requests()) + " requests"
             : end == ServeEnd::HungUp ? "hung up"
                                       : "line failed");
    const bool saved = Save(options, sw, log);
    return end == ServeEnd::LineError || !saved ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    const ParseOutcome parsed = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), options);
    if (!parsed.ok) {
        std::fprintf(stderr, "ats-sim: %s\n", parsed.error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(SimHelpText().c_str(), stdout);
        return 0;
    }
    return Run(options);
}
