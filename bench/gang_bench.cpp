// kovrin-cli gang against paced ats-sim switches: one unit alone, then eight at once.
// Every unit needs all 16 words changed, so each run reads, writes and reads back at the
// real line rate. Prints the wall times, their ratio (the aim: at most 1.05) and the
// client's CPU as a share of one core (the aim: under 2 %). Figures only: it fails only
// when a run does.
#include "config/ConfigFile.h"
#include "tools/ats-sim/harness/SimProcess.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace kovrin;

// Values the factory switch does not hold, valid for the editor's controls.
constexpr std::uint16_t kSiteWords[16] = {185, 195, 250, 240, 185, 195, 250, 240, 46, 54, 46, 54, 5, 3, 100, 8};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

struct Measured {
    bool ok = false;
    int units = 0;
    double wall = 0;
    double cpu = 0;
};

struct Replace final : FilePrompts {
    void ShowError(std::string_view text) override { std::fprintf(stderr, "%.*s\n", int(text.size()), text.data()); }
    bool AskOverwrite(std::string_view) override { return true; }
};

Measured RunGang(const std::filesystem::path& dir, int units)
{
    Measured m;
    m.units = units;
    std::vector<sim::SimProcess> sims;
    std::string manifest = "port,config,model\n";
    for (int i = 0; i < units; ++i) {
        std::string error;
        const std::string log = (dir / ("sim" + std::to_string(i) + ".log")).string();
        std::optional<sim::SimProcess> s =
            sim::SimProcess::Start({"--code", "BENCH-" + std::to_string(i)}, error, log);
        if (!s) {
            std::fprintf(stderr, "gang_bench: %s\n", error.c_str());
            return m;
        }
        manifest += s->path() + ",site.kvnf,\n";
        sims.push_back(std::move(*s));
    }
    const std::string manifestPath = (dir / ("line" + std::to_string(units) + ".csv")).string();
    std::ofstream(manifestPath) << manifest;

    sim::ChildProcess::Launch launch;
    // Every record the line keeps: the results and JSON-lines files, each row on disk before the next.
    launch.argv = {sim::ProgramPath("kovrin-cli"), "gang", manifestPath, "--results",
                   (dir / ("results" + std::to_string(units) + ".csv")).string(), "--jsonl",
                   (dir / ("results" + std::to_string(units) + ".jsonl")).string()};
    launch.extraEnv = {"KOVRIN_ARCHIVE=" + (dir / "archive").string()};
    const sim::RunResult r = sim::RunProgram(launch, sim::Millis(180000));
    for (sim::SimProcess& s : sims)
        s.stop();
    m.ok = !r.timedOut && r.status.code == 0;
    m.wall = std::chrono::duration<double>(r.wall).count();
    m.cpu = Seconds(r.usage.ru_utime) + Seconds(r.usage.ru_stime);
    if (!m.ok)
        std::fprintf(stderr, "gang_bench: %d units: exit %d%s\n%s%s", units, r.status.code,
                     r.timedOut ? " (timed out)" : "", r.out.c_str(), r.err.c_str());
    return m;
}

} // namespace

int main()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kovrin-gang-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return 1;
    const std::filesystem::path dir = pattern;
    ConfigRecord site;
    LoadFactoryDefaults(site);
    for (int i = 0; i < 16; ++i)
        site.setWord(i, kSiteWords[i]);
    Replace replace;
    if (WriteConfigFile(site, (dir / "site.kvnf").string(), replace) != WriteResult::Written)
        return 1;

    std::printf("kovrin-cli gang against paced ats-sim switches (1200 baud), 16 words written per unit;\n"
                "wall time includes starting kovrin-cli\n");
    std::printf("%-6s %8s %9s %11s %13s\n", "units", "wall s", "ratio", "client CPU", "CPU of a core");
    const Measured one = RunGang(dir, 1);
    const Measured eight = one.ok ? RunGang(dir, 8) : Measured{};
    for (const Measured& m : {one, eight})
        if (m.ok)
            std::printf("%-6d %8.3f %9.4f %10.4fs %12.3f%%\n", m.units, m.wall, m.wall / one.wall, m.cpu,
                        100.0 * m.cpu / m.wall);
    std::printf("aims: ratio of 8 units to 1 at most 1.05, client CPU under 2%% of a core\n");
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return one.ok && eight.ok ? 0 : 1;
}
