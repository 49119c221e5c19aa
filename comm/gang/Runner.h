#pragma once
// The gang runner: one worker thread per manifest line, each programming the unit on its
// port from start to end on its own. Workers share nothing but the board they report to
// (and the diagnostic log); one unit's failure never stops or slows another.
#include "comm/gang/Manifest.h"
#include "comm/gang/UnitLink.h"
#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <stop_token>
#include <thread>
#include <vector>

namespace kovrin::gang {

enum class Step {
    Waiting, Opening, Reading, Archiving, Checking, Writing, Verifying, Unplug,
    Passed, Failed, Refused, Stopped,
    AlreadyProgrammed,  // station mode: this switch passed earlier in the run
};
// "waiting", "opening", "reading", ... as the progress lines show them.
const char* StepName(Step step);

// One port's line on the board.
struct UnitStatus {
    std::string port;
    std::string code;          // the ATS code, once read
    Step step = Step::Waiting;
    Step outcome = Step::Waiting;  // Passed, Failed, Refused or Stopped once the unit has ended
    int written = 0;           // words acknowledged so far
    int toWrite = 0;           // words that differ from the template
    Clock::TimePoint start{};  // when this unit's programming began
    bool begun = false;        // start is set
    Clock::TimePoint finish{}; // when the unit ended, once outcome is set
};

struct UnitResult {
    std::chrono::system_clock::time_point start{};  // the wall clock, for the records
    std::chrono::system_clock::time_point end{};
    std::size_t unit = 0;      // the manifest unit (its index)
    std::string port;
    std::string code;          // the switch's texts as it holds them (Windows-1252)
    std::string model;
    std::string firmware;
    Step outcome = Step::Failed;  // Passed, Failed, Refused or Stopped
    Step stage = Step::Waiting;   // where it ended when not passed
    int attempt = 1;           // this switch's attempts in the run, this one included
    std::vector<WordChange> written;
    Clock::Ms duration{0};
    std::string message;       // empty when passed; UTF-8
    std::string archived;      // where the state read first was kept, if it was
    std::string archiveError;  // why it was not, when it should have been
    bool passed() const { return outcome == Step::Passed; }
};

// What the screen sees; the runner's threads write, any thread reads.
class Board {
public:
    explicit Board(const std::vector<ManifestUnit>& units);

    struct Snapshot {
        std::uint64_t version = 0;
        std::vector<UnitStatus> units;
        std::size_t resultCount = 0;
        std::vector<std::string> notes;  // lines the screen keeps below the ports
        bool finished = false;  // every worker has ended
    };
    // Waits until the board differs from version `seen`, or `timeout` passes.
    Snapshot Wait(std::uint64_t seen, Clock::Ms timeout);
    std::vector<UnitResult> Results() const;

    void Update(std::size_t unit, const std::function<void(UnitStatus&)>& change);
    // Records the result, counting its attempt; a switch that passed is remembered.
    void AddResult(UnitResult result);
    // The attempt a new one on this switch (by its ATS code; empty: a first) would be.
    int NextAttempt(const std::string& key) const;
    bool PassedBefore(const std::string& code) const;
    void AddNote(std::string note);
    void WorkerEnded();

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t version_ = 1;
    std::vector<UnitStatus> units_;
    std::vector<UnitResult> results_;
    std::vector<std::string> notes_;
    std::map<std::string, int> attempts_;
    std::set<std::string> passed_;
    std::size_t running_;
};

struct GangOptions {
    bool loop = false;                  // station mode: program whatever is plugged in next
    Clock::Ms probeEvery{2000};
    int missedProbesGone = 3;           // a unit is gone after this many missed probes in a row
};

using UnitFactory = std::function<std::unique_ptr<UnitLink>(const ManifestUnit& unit)>;

class Runner {
public:
    Runner(std::vector<ManifestUnit> units, UnitFactory factory, GangOptions options, Board& board);
    // Stops and joins every worker.
    ~Runner();
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;

    void Start();
    // Ctrl+C: a unit on the line finishes its current word, then ends as stopped; a
    // waiting one ends at once. Safe from any thread.
    void RequestStop();
    // Station mode takes no new unit; those on the line finish.
    void StopNewUnits() { noNewUnits_ = true; }

private:
    void Work(std::size_t index, std::stop_token stop);
    // The steps of one unit over an opened or unopened link; the caller closes it.
    UnitResult Program(std::size_t index, UnitLink& link, bool opened, const std::stop_token& stop);
    // Station mode: probes until the unit has missed enough answers in a row (false) or
    // another switch answers (true, `code` is its code).
    bool AwaitLeaving(UnitLink& link, std::string& code, const std::stop_token& stop);
    // Sleeps `duration` unless stopped first; false when stopped.
    bool Pause(const std::stop_token& stop, Clock::Ms duration);

    std::vector<ManifestUnit> units_;
    UnitFactory factory_;
    GangOptions options_;
    Board& board_;
    std::mutex sleepMutex_;
    std::condition_variable_any sleepWake_;
    // One stop for every worker: Ctrl+C may come while they are still being started.
    std::stop_source stop_;
    std::atomic<bool> noNewUnits_{false};
    std::vector<std::jthread> workers_;
};

// "word 3 (ReturnVoltageMaxA): sent 248, switch holds 250"
std::string MismatchText(const WordMismatch& m);

} // namespace kovrin::gang
