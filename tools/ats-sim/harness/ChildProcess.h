#pragma once
// A child program run by the tests and the benchmark. The handle owns the process: when
// it goes away the child is asked to stop (SIGTERM), killed if it lingers, and reaped,
// so no test leaves a simulator behind.
#include "tools/ats-sim/UniqueFd.h"

#include <chrono>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/types.h>
#include <vector>

namespace kovrin::sim {

using Millis = std::chrono::milliseconds;

struct ExitStatus {
    int code = -1;      // exit code, or -1 when killed by a signal
    int signal = 0;     // the signal that ended it, or 0
    bool exited() const { return signal == 0; }
};

class ChildProcess {
public:
    struct Launch {
        std::vector<std::string> argv;      // argv[0] is the program's path
        std::vector<std::string> extraEnv;  // "NAME=value", added to the parent's environment
        bool captureStdout = true;
        bool captureStderr = true;          // otherwise inherited
    };

    static std::optional<ChildProcess> Start(const Launch& launch, std::string& error);

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ~ChildProcess();

    pid_t pid() const { return pid_; }
    bool running() const { return pid_ > 0 && !status_; }

    // The next line of standard output, without its line end; nullopt on time-out or EOF.
    std::optional<std::string> readLine(Millis timeout);
    // Waits for the child to end, collecting its output. nullopt on time-out.
    std::optional<ExitStatus> wait(Millis timeout);
    // SIGTERM, then wait; SIGKILL if it has not ended within `grace`.
    ExitStatus stop(Millis grace = Millis(3000));

    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }
    // Resources the child used (valid once it has been reaped).
    const rusage& usage() const { return usage_; }
    // Wall time from start to reaping.
    std::chrono::nanoseconds wallTime() const { return ended_ - started_; }

private:
    ChildProcess() = default;
    // Reads what the pipes hold; true when it read or saw an end, so callers can drain.
    bool pump(Millis timeout);
    bool reap(bool block);

    pid_t pid_ = -1;
    UniqueFd pidFd_;
    UniqueFd outFd_;
    UniqueFd errFd_;
    std::string out_;
    std::string err_;
    std::size_t lineStart_ = 0;
    std::optional<ExitStatus> status_;
    rusage usage_{};
    std::chrono::steady_clock::time_point started_{};
    std::chrono::steady_clock::time_point ended_{};
};

struct RunResult {
    ExitStatus status;
    bool timedOut = false;
    std::string out;
    std::string err;
    rusage usage{};                   // what the program used
    std::chrono::nanoseconds wall{};  // from start to its end
};

// Runs a program to its end (killing it after `timeout`) and returns its output.
RunResult RunProgram(const ChildProcess::Launch& launch, Millis timeout);

// Path of one of the project's programs: $KOVRIN_BIN_DIR/name, else next to this program.
std::string ProgramPath(const std::string& name);

} // namespace kovrin::sim
