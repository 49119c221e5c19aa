#include "comm/gang/Runner.h"

#include "comm/DebugLog.h"
#include "config/Parameters.h"
#include "config/SwitchIdentity.h"
#include "config/Windows1252.h"


namespace kovrin::gang {

namespace {

constexpr const char* kStepNames[] = {"waiting", "opening", "reading", "archiving", "checking", "writing",
                                      "verifying", "unplug", "passed", "failed", "refused", "stopped",
                                      "already programmed"};

std::string Trimmed(const std::string& s) { return std::string(TrimSwitchText(s)); }

std::string Utf8(const std::string& s) { return Windows1252ToUtf8(s); }

// A code that tells one switch from another: neither blank nor the factory's filler, which
// every new unit may share.
bool Identifies(const std::string& code)
{
    return !code.empty() && code.find_first_not_of('\xFF') != std::string::npos;
}

// Attempts are counted per switch, by its ATS code; one whose code tells nothing (or is not
// read yet) is on its first as far as anyone can tell.
std::string AttemptKey(const std::string& code) { return Identifies(code) ? code : std::string(); }

} // namespace

const char* StepName(Step step) { return kStepNames[static_cast<int>(step)]; }

std::string MismatchText(const WordMismatch& m)
{
    return "word " + std::to_string(m.word) + " (" + std::string(kParameters[static_cast<std::size_t>(m.word)].name) +
           "): sent " + std::to_string(m.sent) + ", switch holds " + std::to_string(m.held);
}

Board::Board(const std::vector<ManifestUnit>& units) : running_(units.size())
{
    for (const ManifestUnit& u : units) {
        units_.emplace_back();
        units_.back().port = u.port;
    }
}

Board::Snapshot Board::Wait(std::uint64_t seen, Clock::Ms timeout)
{
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return version_ != seen; });
    return Snapshot{version_, units_, results_.size(), notes_, running_ == 0};
}

std::vector<UnitResult> Board::Results() const
{
    std::lock_guard lock(mutex_);
    return results_;
}

void Board::Update(std::size_t unit, const std::function<void(UnitStatus&)>& change)
{
    {
        std::lock_guard lock(mutex_);
        change(units_[unit]);
        ++version_;
    }
    changed_.notify_all();
}

int Board::NextAttempt(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    const auto it = key.empty() ? attempts_.end() : attempts_.find(key);
    return it == attempts_.end() ? 1 : it->second + 1;
}

bool Board::PassedBefore(const std::string& code) const
{
    std::lock_guard lock(mutex_);
    return passed_.count(code) != 0;
}

void Board::AddNote(std::string note)
{
    {
        std::lock_guard lock(mutex_);
        notes_.push_back(std::move(note));
        ++version_;
    }
    changed_.notify_all();
}

void Board::AddResult(UnitResult result)
{
    {
        std::lock_guard lock(mutex_);
        if (const std::string key = AttemptKey(result.code); !key.empty())
            attempts_[key] = result.attempt;
        if (result.passed() && Identifies(result.code))
            passed_.insert(result.code);
        results_.push_back(std::move(result));
        ++version_;
    }
    changed_.notify_all();
}

void Board::WorkerEnded()
{
    {
        std::lock_guard lock(mutex_);
        --running_;
        ++version_;
    }
    changed_.notify_all();
}

Runner::Runner(std::vector<ManifestUnit> units, UnitFactory factory, GangOptions options, Board& board)
    : units_(std::move(units)), factory_(std::move(factory)), options_(options), board_(board)
{
}

Runner::~Runner()
{
    RequestStop();
    workers_.clear();  // joins
}

void Runner::Start()
{
    for (std::size_t i = 0; i < units_.size(); ++i)
        workers_.emplace_back([this, i] { Work(i, stop_.get_token()); });
}

void Runner::RequestStop()
{
    stop_.request_stop();
    // Taking the lock orders the stop before any sleeper's next check.
    std::lock_guard lock(sleepMutex_);
    sleepWake_.notify_all();
}

bool Runner::Pause(const std::stop_token& stop, Clock::Ms duration)
{
    std::unique_lock lock(sleepMutex_);
    sleepWake_.wait_for(lock, stop, duration, [] { return false; });
    return !stop.stop_requested();
}

void Runner::Work(std::size_t index, std::stop_token stop)
{
    const ThreadLogLines logLines(units_[index].port);
    const auto set = [&](Step step) { board_.Update(index, [&](UnitStatus& s) { s.step = step; }); };
    const auto clear = [&] {
        board_.Update(index, [](UnitStatus& s) {
            UnitStatus fresh;
            fresh.port = s.port;
            s = fresh;
        });
    };
    if (!options_.loop) {
        std::unique_ptr<UnitLink> link = factory_(units_[index]);
        board_.AddResult(Program(index, *link, false, stop));
        link->Close();
        board_.WorkerEnded();
        return;
    }
    // Station mode: wait for a unit to answer, program it, wait for it to leave. A unit is
    // known by its ATS code: another code on the port is another unit.
    while (!stop.stop_requested() && !noNewUnits_) {
        std::unique_ptr<UnitLink> link = factory_(units_[index]);
        std::string ignored;
        std::string code;
        if (!link->Open(ignored) || !link->Probe(code)) {
            link.reset();
            if (!Pause(stop, options_.probeEvery))
                break;
            continue;
        }
        for (bool present = true; present && !stop.stop_requested() && !noNewUnits_;) {
            if (board_.PassedBefore(code)) {
                board_.Update(index, [&](UnitStatus& s) {
                    s.code = code;
                    s.step = Step::AlreadyProgrammed;
                });
            } else {
                board_.AddResult(Program(index, *link, true, stop));
                if (stop.stop_requested())
                    break;
                set(Step::Unplug);
            }
            present = AwaitLeaving(*link, code, stop);
            clear();
        }
        link->Close();
        clear();
    }
    set(Step::Stopped);
    board_.WorkerEnded();
}

bool Runner::AwaitLeaving(UnitLink& link, std::string& code, const std::stop_token& stop)
{
    // One lost answer is not a unit taken away: only several in a row are.
    for (int missed = 0; missed < options_.missedProbesGone && Pause(stop, options_.probeEvery);) {
        std::string now;
        if (!link.Probe(now)) {
            ++missed;
            continue;
        }
        missed = 0;
        if (now != code) {
            code = now;
            return true;
        }
    }
    return false;
}

UnitResult Runner::Program(std::size_t index, UnitLink& link, bool opened, const std::stop_token& stop)
{
    const ManifestUnit& unit = units_[index];
    const Clock::TimePoint start = std::chrono::steady_clock::now();
    UnitResult r;
    r.start = std::chrono::system_clock::now();
    r.unit = index;
    r.port = unit.port;
    r.attempt = 1;
    Step stage = Step::Opening;
    const auto set = [&](Step step) {
        stage = step;
        board_.Update(index, [&](UnitStatus& s) {
            s.step = step;
            if (!s.begun) {
                s.begun = true;
                s.start = start;
                s.code.clear();
                s.written = s.toWrite = 0;
            }
        });
    };
    const auto end = [&](Step outcome, std::string message) {
        r.outcome = outcome;
        r.stage = outcome == Step::Passed ? Step::Waiting : stage;
        r.message = std::move(message);
        r.end = std::chrono::system_clock::now();
        r.duration = std::chrono::duration_cast<Clock::Ms>(std::chrono::steady_clock::now() - start);
        board_.Update(index, [&](UnitStatus& s) {
            s.step = s.outcome = outcome;
            s.finish = start + r.duration;
        });
        LogStampedF("Gang unit %s%s%s", StepName(outcome), r.message.empty() ? "" : ": ",
                    r.message.c_str());
        return r;
    };

    set(Step::Opening);
    std::string message;
    if (!opened && !link.Open(message))
        return end(Step::Failed, message);
    if (stop.stop_requested())
        return end(Step::Stopped, "stopped before reading");

    set(Step::Reading);
    ConfigRecord state;
    if (const TransferFailure f = link.ReadState(state, {}); f != TransferFailure::None)
        return end(Step::Failed, TransferErrorText(f));
    r.code = Trimmed(state.text(field::AtsCode));
    r.model = Trimmed(state.text(field::AtsModel));
    r.firmware = Trimmed(state.text(field::FirmwareVersion));
    r.attempt = board_.NextAttempt(AttemptKey(r.code));
    board_.Update(index, [&](UnitStatus& s) { s.code = r.code; });

    // Every state read is kept, that of a unit about to be refused too.
    set(Step::Archiving);
    const UnitLink::Kept kept = link.Archive(state);
    r.archived = kept.path;
    r.archiveError = kept.error;
    if (!kept.error.empty())
        board_.AddNote(unit.port + " " + Utf8(r.code) + ": " + kept.error);

    // Nothing is written to a switch the manifest's line does not name.
    set(Step::Checking);
    if (!unit.model.empty() && Utf8(r.model) != unit.model)
        return end(Step::Refused, "model " + Utf8(r.model) + " is not the manifest's " + unit.model + "; nothing written");
    if (unit.identity && !SameSwitch(state, *unit.identity))
        return end(Step::Refused, "switch " + Utf8(SwitchCode(state)) + " is not " +
                                      Utf8(SwitchCode(*unit.identity)) + ", which manifest line " +
                                      std::to_string(unit.line) + " names (" + unit.templateName +
                                      "); nothing written");

    const int toWrite = static_cast<int>(DifferingWords(state, unit.target).size());
    stage = Step::Writing;
    board_.Update(index, [&](UnitStatus& s) {
        s.step = Step::Writing;
        s.toWrite = toWrite;
    });
    const TransferFailure wrote = link.UploadChanged(
        state, unit.target, [&](Clock::Ms pause) { return Pause(stop, pause); },
        [&](int) { board_.Update(index, [](UnitStatus& s) { ++s.written; }); }, r.written);
    if (wrote != TransferFailure::None)
        return end(Step::Failed, TransferErrorText(wrote));
    if (stop.stop_requested() && static_cast<int>(r.written.size()) < toWrite)
        return end(Step::Stopped, "stopped after " + std::to_string(r.written.size()) + " of " +
                                      std::to_string(toWrite) + " words");

    set(Step::Verifying);
    std::vector<WordMismatch> mismatches;
    if (const TransferFailure f = link.ReadBack(unit.target, mismatches); f != TransferFailure::None)
        return end(Step::Failed, TransferErrorText(f));
    if (!mismatches.empty()) {
        std::string text = MismatchText(mismatches.front());
        if (mismatches.size() > 1)
            text += " (" + std::to_string(mismatches.size()) + " of 16 words differ)";
        return end(Step::Failed, text);
    }
    return end(Step::Passed, {});
}

} // namespace kovrin::gang
