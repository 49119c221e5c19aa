// gang: several switches programmed at once from a manifest, one worker per serial port,
// for the production line and the service van.
#include "Commands.h"
#include "GangScreen.h"

#include "comm/DebugLog.h"
#include "comm/gang/Manifest.h"
#include "comm/gang/Results.h"
#include "comm/gang/Runner.h"
#include "platform/FileReplace.h"
#include "platform/Interrupt.h"
#include "platform/Terminal.h"

#include <cstdio>

namespace kovrin::cli {

namespace {

constexpr Clock::Ms kRedrawEvery{1000};

struct Outputs {
    std::string results;
    std::string junit;

    // Both files in full, each time a unit ends, so a run cut short keeps what it did.
    bool Write(const std::vector<gang::UnitResult>& results_) const
    {
        return WriteOne(results, gang::ResultsCsv(results_)) & WriteOne(junit, gang::ResultsJunit(results_));
    }
    static bool WriteOne(const std::string& path, const std::string& text)
    {
        if (path.empty() || ReplaceFileContents(path, text) == ReplaceResult::Replaced)
            return true;
        Fail(ExitFile, path + ": cannot write the results");
        return false;
    }
};

std::string OneValue(const Args& args, std::string_view option)
{
    const std::vector<std::string> all = args.all(option);
    return all.empty() ? std::string() : all.back();
}

void PrintSummary(const std::vector<gang::UnitResult>& results)
{
    int passed = 0;
    for (const gang::UnitResult& r : results) {
        passed += r.passed();
        std::printf("%-12s %-16s %-7s %5.1f s  %s%s\n", r.port.c_str(), r.code.empty() ? "-" : r.code.c_str(),
                    gang::StepName(r.outcome), static_cast<double>(r.duration.count()) / 1000.0,
                    r.passed() ? "words " : "", r.passed() ? gang::WrittenText(r.written).c_str() : r.message.c_str());
    }
    std::printf("%d of %zu units passed\n", passed, results.size());
}

} // namespace

int RunGang(const Args& args)
{
    if (args.has("debug"))
        SetDebugMode(true);  // the log file only: the screen belongs to the progress lines
    const gang::Manifest manifest = gang::ReadManifest(args.positional[0]);
    if (!manifest.ok()) {
        for (const gang::ManifestRefusal& r : manifest.refusals)
            Fail(ExitRefused, gang::RefusalText(r));
        return manifest.unreadable ? ExitFile : ExitRefused;
    }
    const Outputs outputs{OneValue(args, "results"), OneValue(args, "junit")};
    // A results file that cannot be written is known before any unit is touched.
    if (!outputs.Write({}))
        return ExitFile;

    gang::GangOptions options;
    options.loop = args.has("loop");
    gang::Board board(manifest.units);
    gang::Runner runner(manifest.units, [](const gang::ManifestUnit& u) { return gang::MakeSerialUnit(u.port); },
                        options, board);
    const InterruptWatch interrupt([&runner] { runner.RequestStop(); });
    runner.Start();

    GangScreen screen(stdout, StdoutRedrawable());
    std::uint64_t seen = 0;
    std::size_t recorded = 0;
    bool filesOk = true;
    for (;;) {
        const gang::Board::Snapshot now = board.Wait(seen, kRedrawEvery);
        seen = now.version;
        screen.Draw(now.units, std::chrono::steady_clock::now());
        if (now.resultCount != recorded) {
            recorded = now.resultCount;
            filesOk = outputs.Write(board.Results()) && filesOk;
        }
        if (now.finished)
            break;
    }
    const std::vector<gang::UnitResult> results = board.Results();
    PrintSummary(results);
    if (!filesOk)
        return ExitFile;
    for (const gang::UnitResult& r : results)
        if (!r.passed())
            return ExitDevice;
    return ExitOk;
}

} // namespace kovrin::cli
