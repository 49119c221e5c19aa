#pragma once
// Command line of ats-sim. One table holds every option with its help text, so the
// parser and --help cannot drift apart.
#include "tools/ats-sim/Faults.h"
#include "tools/ats-sim/SwitchState.h"

#include <functional>
#include <string>
#include <vector>

namespace kovrin::sim {

struct SimOptions {
    std::string device;     // serve this tty instead of a new pty
    std::string link;       // symlink to the served path
    std::string statePath;  // .kvnf with identification and words
    std::string savePath;   // words written here on exit
    std::string logPath;    // empty: stderr
    bool fast = false;
    bool help = false;
    FaultPlan faults;
    // Identification, nominal data and words given on the command line; applied after
    // the state file, so they win over it.
    std::vector<std::function<void(SwitchState&)>> overrides;
};

struct ParseOutcome {
    bool ok = true;
    std::string error;  // for the user, without program name
};

ParseOutcome ParseSimOptions(const std::vector<std::string>& args, SimOptions& out);
std::string SimHelpText();

// The switch the options describe: defaults, then the state file (if any), then the
// overrides. False (with `error`) when the state file cannot be read.
bool BuildSwitchState(const SimOptions& options, SwitchState& state, std::string& error);

} // namespace kovrin::sim
