// gang: several switches programmed at once from a manifest, one worker per serial port,
// for the production line and the service van.
#include "Commands.h"
#include "GangScreen.h"

#include "comm/DebugLog.h"
#include "comm/gang/Manifest.h"
#include "comm/gang/RecordFile.h"
#include "comm/gang/Results.h"
#include "comm/gang/Runner.h"
#include "config/Windows1252.h"
#include "platform/FileReplace.h"
#include "platform/HostName.h"
#include "platform/Interrupt.h"
#include "platform/Terminal.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <optional>
#include <random>

namespace kovrin::cli {

namespace {

constexpr Clock::Ms kRedrawEvery{1000};

std::string OneValue(const Args& args, std::string_view option)
{
    const std::vector<std::string> all = args.all(option);
    return all.empty() ? std::string() : all.back();
}

// "20261209T033012Z-5c1e9a07": when the run began, and enough chance to tell two
// stations' runs of the same second apart.
std::string NewRunId()
{
    std::string id = gang::UtcText(std::chrono::system_clock::now());
    std::erase(id, '-');
    std::erase(id, ':');
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "-%08x", static_cast<unsigned>(std::random_device{}()));
    return id + suffix;
}

std::string JsonRecord(const std::vector<gang::RecordField>& fields)
{
    nlohmann::ordered_json record = nlohmann::ordered_json::object();
    for (const gang::RecordField& f : fields) {
        if (f.number && f.name == "attempt")
            record[f.name] = std::stoi(f.text);
        else if (f.number)
            record[f.name] = std::stod(f.text);
        else
            record[f.name] = f.text;
    }
    return record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The record files of a run: the results and JSON-lines files only grow, the JUnit file
// is this run's report, replaced whole.
struct Outputs {
    std::optional<gang::RecordFile> results;
    std::optional<gang::RecordFile> jsonl;
    std::string junit;

    // Every file checked before any unit is touched; the reasons it may not be written.
    std::vector<std::string> Open()
    {
        std::vector<std::string> why;
        for (std::optional<gang::RecordFile>* file : {&results, &jsonl})
            if (*file)
                if (std::string bad = (*file)->Open(); !bad.empty())
                    why.push_back(std::move(bad));
        // The report of an earlier run stays when this one does not start.
        if (why.empty() && !junit.empty() && ReplaceFileContents(junit, gang::ResultsJunit({})) != ReplaceResult::Replaced)
            why.push_back(junit + ": cannot write the JUnit report");
        return why;
    }
    // One result's record in each file; the reasons any was not written.
    std::vector<std::string> Add(const gang::RunInfo& run, const gang::ManifestUnit& unit,
                                 const gang::UnitResult& r, const std::vector<gang::UnitResult>& all)
    {
        const std::vector<gang::RecordField> fields = gang::RecordFields(run, unit, r);
        std::vector<std::string> why;
        if (results)
            if (std::string bad = results->Append(gang::ResultsRow(fields)); !bad.empty())
                why.push_back(std::move(bad));
        if (jsonl)
            if (std::string bad = jsonl->Append(JsonRecord(fields)); !bad.empty())
                why.push_back(std::move(bad));
        if (!junit.empty() && ReplaceFileContents(junit, gang::ResultsJunit(all)) != ReplaceResult::Replaced)
            why.push_back(junit + ": cannot write the JUnit report");
        return why;
    }
};

void PrintSummary(const std::vector<gang::UnitResult>& results, const std::vector<std::string>& notes)
{
    for (const gang::UnitResult& r : results) {
        const std::string code = r.code.empty() ? "-" : Windows1252ToUtf8(r.code);
        std::printf("%-12s %-16s %-7s %5.1f s  %s%s\n", r.port.c_str(), code.c_str(), gang::StepName(r.outcome),
                    static_cast<double>(r.duration.count()) / 1000.0, r.passed() ? "words " : "",
                    r.passed() ? gang::WrittenText(r.written).c_str() : r.message.c_str());
    }
    for (const std::string& line : gang::SummaryLines(results))
        std::printf("%s\n", line.c_str());
    // What went wrong beside the units, once more where the progress lines no longer move.
    for (const std::string& note : notes)
        std::fprintf(stderr, "kovrin-cli: %s\n", note.c_str());
}

} // namespace

int RunGang(const Args& args)
{
    if (args.has("debug"))
        SetDebugMode(true);  // the log file only: the screen belongs to the progress lines
    gang::Manifest manifest = gang::ReadManifest(args.positional[0]);
    if (!manifest.unreadable)
        gang::ResolvePorts(manifest, gang::SystemPortResolver());
    if (!manifest.ok()) {
        for (const gang::ManifestRefusal& r : manifest.refusals)
            Fail(ExitRefused, gang::RefusalText(r));
        return manifest.unreadable ? ExitFile : ExitRefused;
    }
    gang::RunInfo run;
    run.runId = NewRunId();
    run.station = args.has("station") ? OneValue(args, "station") : HostName();
    run.operatorName = OneValue(args, "operator");
    run.extraColumns = manifest.extraColumns;

    Outputs outputs;
    if (const std::string path = OneValue(args, "results"); !path.empty())
        outputs.results.emplace(path, gang::ResultsHeader(run), "\r\n");
    if (const std::string path = OneValue(args, "jsonl"); !path.empty())
        outputs.jsonl.emplace(path, std::string(), "\n");
    outputs.junit = OneValue(args, "junit");
    // A record file that cannot be written is known before any unit is touched.
    if (const std::vector<std::string> why = outputs.Open(); !why.empty()) {
        for (const std::string& w : why)
            Fail(ExitFile, w);
        return ExitFile;
    }

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
    std::vector<std::string> fileNotes;
    for (;;) {
        const gang::Board::Snapshot now = board.Wait(seen, kRedrawEvery);
        seen = now.version;
        if (now.resultCount != recorded) {
            const std::vector<gang::UnitResult> all = board.Results();
            for (; recorded < all.size(); ++recorded) {
                const gang::UnitResult& r = all[recorded];
                for (std::string& why : outputs.Add(run, manifest.units[r.unit], r, all)) {
                    // Units without records are not what a line wants: no new one starts.
                    if (fileNotes.empty())
                        runner.StopNewUnits();
                    fileNotes.push_back(why + "; no new unit is started");
                }
            }
        }
        std::vector<std::string> notes = now.notes;
        notes.insert(notes.end(), fileNotes.begin(), fileNotes.end());
        screen.Draw(now.units, notes, std::chrono::steady_clock::now());
        if (now.finished)
            break;
    }
    const std::vector<gang::UnitResult> results = board.Results();
    std::vector<std::string> notes = board.Wait(0, Clock::Ms(0)).notes;
    notes.insert(notes.end(), fileNotes.begin(), fileNotes.end());
    PrintSummary(results, notes);
    if (!fileNotes.empty())
        return ExitFile;
    for (const gang::UnitResult& r : results)
        if (!r.passed())
            return ExitDevice;
    return ExitOk;
}

} // namespace kovrin::cli
