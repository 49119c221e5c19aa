// Station mode over scripted units: each unit plugged in is programmed once, and the port
// waits for it to leave before taking the next.
#include "comm/gang/Runner.h"

#include <gtest/gtest.h>

#include <atomic>

namespace kovrin::gang {
namespace {

// The switch on the port: present or not, holding the factory's words.
struct Socket {
    std::atomic<bool> plugged{false};
    std::atomic<int> plugs{0};  // which unit is in: its code
};

class ScriptedUnit final : public UnitLink {
public:
    explicit ScriptedUnit(Socket& socket) : socket_(socket) {}
    bool Open(std::string&) override { return true; }
    void Close() override {}
    bool Probe(std::string& code) override
    {
        code = "UNIT" + std::to_string(socket_.plugs.load());
        return socket_.plugged;
    }
    TransferFailure ReadState(ConfigRecord& state, const WordDone&) override
    {
        LoadFactoryDefaults(state);
        state.setText(field::AtsCode, "UNIT" + std::to_string(socket_.plugs.load()));
        held_ = state;
        return TransferFailure::None;
    }
    Kept Archive(const ConfigRecord&) override { return {}; }
    TransferFailure UploadChanged(const ConfigRecord& state, const ConfigRecord& target, const Pause& pause,
                                  const WordDone&, std::vector<WordChange>& written) override
    {
        for (const WordChange& c : DifferingWords(state, target))
            if (pause(Clock::Ms(1))) {
                held_.setWord(c.word, c.wanted);
                written.push_back(c);
            }
        return TransferFailure::None;
    }
    TransferFailure ReadBack(const ConfigRecord& target, std::vector<WordMismatch>& mismatches) override
    {
        for (int i = 0; i < kParameterWordCount; ++i)
            if (held_.word(i) != target.word(i))
                mismatches.push_back({i, target.word(i), held_.word(i)});
        return TransferFailure::None;
    }

private:
    Socket& socket_;
    ConfigRecord held_;
};

TEST(GangStation, ProgramsEachUnitOnceAndWaitsForItToLeave)
{
    ManifestUnit unit;
    unit.port = "COM1";
    LoadFactoryDefaults(unit.target);
    unit.target.setWord(14, 90);
    Socket socket;
    Board board({unit});
    Runner runner({unit}, [&](const ManifestUnit&) { return std::make_unique<ScriptedUnit>(socket); },
                  GangOptions{true, Clock::Ms(5)}, board);
    runner.Start();
    const auto waitFor = [&](auto done) {
        Board::Snapshot s;
        for (int i = 0; i < 500 && !done(s); ++i)
            s = board.Wait(s.version, Clock::Ms(20));
        return done(s);
    };
    for (int n = 1; n <= 2; ++n) {
        socket.plugs = n;
        socket.plugged = true;
        ASSERT_TRUE(waitFor([&](const Board::Snapshot& s) {
            return s.resultCount == static_cast<std::size_t>(n) && s.units[0].step == Step::Unplug;
        })) << n;
        // Still plugged: probed again and again, never programmed twice.
        std::this_thread::sleep_for(Clock::Ms(50));
        EXPECT_EQ(board.Results().size(), static_cast<std::size_t>(n));
        socket.plugged = false;
        ASSERT_TRUE(waitFor([](const Board::Snapshot& s) { return s.units.size() && s.units[0].step == Step::Waiting; }));
    }
    runner.RequestStop();
    ASSERT_TRUE(waitFor([](const Board::Snapshot& s) { return s.finished; }));
    const std::vector<UnitResult> results = board.Results();
    ASSERT_EQ(results.size(), 2u);
    for (int n = 0; n < 2; ++n) {
        EXPECT_TRUE(results[n].passed()) << results[n].message;
        EXPECT_EQ(results[n].code.substr(0, 5), "UNIT" + std::to_string(n + 1));
        ASSERT_EQ(results[n].written.size(), 1u);
        EXPECT_EQ(results[n].written[0].word, 14);
    }
}

// A port whose probes answer from a script: a code, or "-" for an answer lost. After
// the script, nothing answers.
class ProbeScript final : public UnitLink {
public:
    ProbeScript(const std::vector<std::string>& script, std::atomic<std::size_t>& next)
        : script_(script), next_(next) {}
    bool Open(std::string&) override { return true; }
    void Close() override {}
    bool Probe(std::string& code) override
    {
        const std::size_t at = next_++;
        if (at >= script_.size() || script_[at] == "-")
            return false;
        code = last_ = script_[at];
        return true;
    }
    TransferFailure ReadState(ConfigRecord& state, const WordDone&) override
    {
        LoadFactoryDefaults(state);
        state.setText(field::AtsCode, last_);
        return TransferFailure::None;
    }
    Kept Archive(const ConfigRecord&) override { return {}; }
    TransferFailure UploadChanged(const ConfigRecord&, const ConfigRecord&, const Pause&, const WordDone&,
                                  std::vector<WordChange>&) override
    {
        return TransferFailure::None;
    }
    TransferFailure ReadBack(const ConfigRecord&, std::vector<WordMismatch>&) override { return TransferFailure::None; }

private:
    const std::vector<std::string>& script_;
    std::atomic<std::size_t>& next_;
    std::string last_;
};

TEST(GangStation, AUnitIsKnownByItsCodeAndGoneOnlyAfterThreeLostAnswers)
{
    const struct {
        const char* name;
        std::vector<std::string> probes;
        std::vector<std::string> programmed;
    } cases[] = {
        {"one answer lost", {"A", "A", "-", "A", "-", "-", "-"}, {"A"}},
        {"swapped between two probes", {"A", "A", "B", "B", "-", "-", "-"}, {"A", "B"}},
        {"a passed unit back at once", {"A", "B", "A", "-", "-", "-"}, {"A", "B"}},
        {"a passed unit plugged in again", {"A", "-", "-", "-", "A", "-", "-", "-"}, {"A"}},
    };
    for (const auto& c : cases) {
        ManifestUnit unit;
        unit.port = "COM1";
        LoadFactoryDefaults(unit.target);
        std::atomic<std::size_t> next{0};
        Board board({unit});
        Runner runner({unit}, [&](const ManifestUnit&) { return std::make_unique<ProbeScript>(c.probes, next); },
                      GangOptions{true, Clock::Ms(1)}, board);
        runner.Start();
        // Well past the script: every probe after it is a lost answer.
        Board::Snapshot seen;
        for (int i = 0; i < 1000 && next < c.probes.size() + 10; ++i)
            seen = board.Wait(seen.version, Clock::Ms(10));
        runner.RequestStop();
        for (Board::Snapshot s; !s.finished;)
            s = board.Wait(s.version, Clock::Ms(100));
        std::vector<std::string> programmed;
        for (const UnitResult& r : board.Results())
            programmed.push_back(r.code);
        EXPECT_EQ(programmed, c.programmed) << c.name;
    }
}

} // namespace
} // namespace kovrin::gang
