// Paced download and upload through kovrin-cli against ats-sim, row by row (serial pty,
// and whatever USB rows exist). Prints wall time against the line time and the share of
// its wall time the client spent on the CPU. Figures only: it fails only when a transfer
// does.
#include "BenchRow.h"

#include "config/ConfigFile.h"
#include "tools/ats-sim/harness/SimProcess.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using namespace kovrin;
using namespace kovrin::bench;

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }
double CpuSeconds(const rusage& u) { return Seconds(u.ru_utime) + Seconds(u.ru_stime); }

struct Measured {
    bool ok = false;
    double wall = 0;
    double cpu = 0;
};

Measured RunCli(const std::string& row, const BenchLink& link, const std::vector<std::string>& args)
{
    sim::ChildProcess::Launch launch;
    launch.argv.push_back(sim::ProgramPath("kovrin-cli"));
    launch.argv.insert(launch.argv.end(), args.begin(), args.end());
    launch.extraEnv = link.extraEnv;
    const sim::RunResult r = sim::RunProgram(launch, sim::Millis(120000));
    Measured m;
    m.ok = !r.timedOut && r.status.code == 0;
    m.wall = std::chrono::duration<double>(r.wall).count();
    m.cpu = CpuSeconds(r.usage);
    if (!m.ok) {
        std::string why = r.timedOut ? std::string("timed out") : r.err;
        while (!why.empty() && why.back() == '\n')
            why.pop_back();
        std::printf("%-16s %-9s failed (exit %d): %s\n", row.c_str(), args[0].c_str(), r.status.code, why.c_str());
        std::fflush(stdout);
    }
    return m;
}

void PrintLine(const std::string& row, const char* what, const Measured& m, double reference)
{
    std::printf("%-16s %-9s %8.3f %10.3f %9.4f %10.4f %8.3f%%\n", row.c_str(), what, m.wall, reference,
                m.wall / reference, m.cpu, 100.0 * m.cpu / m.wall);
}

class Scratch {
public:
    Scratch()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kovrin-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~Scratch()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    bool ok() const { return !path_.empty(); }
    std::string file(const char* name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

struct Replace final : FilePrompts {
    void ShowError(std::string_view text) override { std::fprintf(stderr, "%.*s\n", int(text.size()), text.data()); }
    bool AskOverwrite(std::string_view) override { return true; }
};

bool RunRow(const BenchRow& row, const Scratch& scratch, const std::string& in)
{
    std::string error;
    std::optional<sim::SimProcess> sim = sim::SimProcess::Start({}, error, scratch.file("ats-sim.log"));
    if (!sim) {
        std::fprintf(stderr, "transfer_bench: %s\n", error.c_str());
        return false;
    }
    const BenchLink link = row.link(sim->path());
    const Measured down = RunCli(row.name, link, {"download", "--port", link.port, scratch.file("down.kvnf"), "--force"});
    const Measured up = RunCli(row.name, link, {"upload", "--port", link.port, in});
    sim->stop();
    const rusage& simUsage = sim->process().usage();
    const double simWall = std::chrono::duration<double>(sim->process().wallTime()).count();

    if (down.ok)
        PrintLine(row.name, "download", down, row.downloadReference);
    if (up.ok)
        PrintLine(row.name, "upload", up, row.uploadReference);
    std::printf("%-16s ats-sim used %.4f s CPU in %.3f s (%.3f%%)\n", "", CpuSeconds(simUsage), simWall,
                100.0 * CpuSeconds(simUsage) / simWall);
    std::printf("%-16s reference: %s\n", "", row.reference.c_str());
    std::fflush(stdout);
    return down.ok && up.ok;
}

} // namespace

int main()
{
    Scratch scratch;
    if (!scratch.ok()) {
        std::fprintf(stderr, "transfer_bench: no scratch folder\n");
        return 1;
    }
    const std::string in = scratch.file("in.kvnf");
    ConfigRecord record;
    LoadFactoryDefaults(record);
    Replace replace;
    if (WriteConfigFile(record, in, replace) != WriteResult::Written)
        return 1;

    std::vector<BenchRow> rows = {{
        "serial (pty)",
        [](const std::string& simPath) { return BenchLink{simPath, {}}; },
        LineSeconds(kDownloadBytes),
        LineSeconds(kUploadBytes) + kUploadPauses,
        "line time at 1200 baud 8N1 (download 638 bytes; upload 512 bytes + 16 x 750 ms)",
    }};
    for (BenchRow& r : UsbRows())
        rows.push_back(std::move(r));

    std::printf("kovrin-cli against a paced ats-sim; wall time includes starting kovrin-cli\n");
    std::printf("%-16s %-9s %8s %10s %9s %10s %9s\n", "row", "transfer", "wall s", "reference", "ratio",
                "client CPU", "CPU/wall");
    bool ok = true;
    for (const BenchRow& row : rows)
        ok = RunRow(row, scratch, in) && ok;
    return ok ? 0 : 1;
}
