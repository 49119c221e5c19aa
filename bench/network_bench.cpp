// kovrin-cli through ser2net against paced ats-sim switches (1200 baud): a download over
// RFC 2217 beside one over a direct pty, the same over a 100 ms round trip, and a gang of
// 32 switches behind one ser2net beside a gang of one. Prints the figures and the aims;
// fails only when a run does.
#include "BenchRow.h"
#include "config/ConfigFile.h"
#include "tools/ats-sim/harness/DeviceServer.h"
#include "tools/ats-sim/harness/Relay.h"
#include "tools/ats-sim/harness/SimProcess.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace kovrin;

constexpr int kDownloadExchanges = 18;
constexpr int kRounds = 3;
constexpr std::uint16_t kSiteWords[16] = {185, 195, 250, 240, 185, 195, 250, 240, 46, 54, 46, 54, 5, 3, 100, 8};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

struct Run {
    bool ok = false;
    double wall = 0;
    double cpu = 0;
};

Run Cli(const std::vector<std::string>& args, const std::filesystem::path& dir)
{
    sim::ChildProcess::Launch launch;
    launch.argv = {sim::ProgramPath("kovrin-cli")};
    launch.argv.insert(launch.argv.end(), args.begin(), args.end());
    launch.extraEnv = {"KOVRIN_ARCHIVE=off"};
    const sim::RunResult r = sim::RunProgram(launch, sim::Millis(300000));
    Run run{!r.timedOut && r.status.code == 0, std::chrono::duration<double>(r.wall).count(),
            Seconds(r.usage.ru_utime) + Seconds(r.usage.ru_stime)};
    if (!run.ok)
        std::fprintf(stderr, "network_bench: %s: exit %d\n%s%s", args[0].c_str(), r.status.code, r.out.c_str(),
                     r.err.c_str());
    (void)dir;
    return run;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::optional<sim::SimProcess> Sim(const std::vector<std::string>& options, const std::filesystem::path& log)
{
    std::string error;
    auto s = sim::SimProcess::Start(options, error, log.string());
    if (!s)
        std::fprintf(stderr, "network_bench: %s\n", error.c_str());
    return s;
}

struct Replace final : FilePrompts {
    void ShowError(std::string_view text) override { std::fprintf(stderr, "%.*s\n", int(text.size()), text.data()); }
    bool AskOverwrite(std::string_view) override { return true; }
};

// A gang of `units` switches behind one ser2net, each over RFC 2217.
Run Gang(const std::filesystem::path& dir, int units)
{
    std::vector<sim::SimProcess> sims;
    std::vector<std::string> devices;
    for (int i = 0; i < units; ++i) {
        auto s = Sim({"--code", "NETB-" + std::to_string(i)}, dir / ("gang" + std::to_string(i) + ".log"));
        if (!s)
            return {};
        devices.push_back(s->path());
        sims.push_back(std::move(*s));
    }
    const std::filesystem::path folder = dir / ("gang" + std::to_string(units));
    std::filesystem::create_directories(folder);
    std::string error;
    auto server = sim::DeviceServer::Start(devices, folder.string(), error);
    if (!server) {
        std::fprintf(stderr, "network_bench: %s\n", error.c_str());
        return {};
    }
    std::string manifest = "port,config,model\n";
    for (const sim::ServedDevice& d : server->devices())
        manifest += d.rfc2217Url() + "," + (dir / "site.kvnf").string() + ",\n";
    const std::string manifestPath = (folder / "rack.csv").string();
    std::ofstream(manifestPath) << manifest;
    return Cli({"gang", manifestPath, "--results", (folder / "results.csv").string()}, dir);
}

} // namespace

int main()
{
    if (::access("/usr/sbin/ser2net", X_OK) != 0) {
        std::printf("network_bench: ser2net is not installed; nothing measured\n");
        return 0;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "kovrin-net-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return 1;
    const std::filesystem::path dir = pattern;
    bool ok = true;

    // One switch reached directly, its twin behind ser2net (which holds its device).
    auto direct = Sim({}, dir / "direct.log");
    auto served = Sim({}, dir / "served.log");
    std::string error;
    auto server = served ? sim::DeviceServer::Start({served->path()}, dir.string(), error) : std::nullopt;
    if (!direct || !server) {
        std::fprintf(stderr, "network_bench: %s\n", error.c_str());
        return 1;
    }
    const std::string out = (dir / "out.kvnf").string();
    std::vector<double> serial, network;
    for (int round = 0; round < kRounds && ok; ++round) {
        // Side by side: the two paths take turns, so a busy moment of the machine falls on both.
        const Run a = Cli({"download", "--port", direct->path(), out, "--force"}, dir);
        const Run b = Cli({"download", "--port", server->devices()[0].rfc2217Url(), out, "--force"}, dir);
        ok = a.ok && b.ok;
        serial.push_back(a.wall);
        network.push_back(b.wall);
    }
    std::vector<double> slow;
    {
        sim::Relay relay(server->devices()[0].rfc2217Port, sim::Millis(50));
        const std::string url = "rfc2217://127.0.0.1:" + std::to_string(relay.port());
        for (int round = 0; round < kRounds && ok; ++round) {
            const Run r = Cli({"download", "--port", url, out, "--force"}, dir);
            ok = ok && r.ok;
            slow.push_back(r.wall);
        }
    }
    if (ok) {
        const double s = Median(serial), n = Median(network), w = Median(slow);
        const double allowed = s + kDownloadExchanges * 0.100;
        std::printf("download, paced ats-sim at 1200 baud (line time %.3f s), median of %d, "
                    "wall time includes starting kovrin-cli\n",
                    bench::LineSeconds(bench::kDownloadBytes), kRounds);
        std::printf("  %-34s %8.3f s\n", "direct pty", s);
        std::printf("  %-34s %8.3f s  ratio %.4f (aim <= 1.02)\n", "rfc2217 through ser2net", n, n / s);
        std::printf("  %-34s %8.3f s  ratio %.4f to serial + %d x 100 ms = %.3f s (aim <= 1.02)\n",
                    "rfc2217, 100 ms round trip", w, w / allowed, kDownloadExchanges, allowed);
    }
    server.reset();

    ConfigRecord site;
    LoadFactoryDefaults(site);
    for (int i = 0; i < 16; ++i)
        site.setWord(i, kSiteWords[i]);
    Replace replace;
    ok = ok && WriteConfigFile(site, (dir / "site.kvnf").string(), replace) == WriteResult::Written;
    const Run one = ok ? Gang(dir, 1) : Run{};
    const Run many = one.ok ? Gang(dir, 32) : Run{};
    ok = ok && one.ok && many.ok;
    if (ok) {
        std::printf("gang over rfc2217 through one ser2net, 16 words written per unit\n");
        std::printf("  %-6s %8s %9s %13s\n", "units", "wall s", "ratio", "CPU of a core");
        for (const auto& [units, r] : {std::pair{1, one}, std::pair{32, many}})
            std::printf("  %-6d %8.3f %9.4f %12.3f%%\n", units, r.wall, r.wall / one.wall, 100.0 * r.cpu / r.wall);
        std::printf("  aims: 32 units at most 1.05 of one, client CPU under 5%% of a core\n");
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return ok ? 0 : 1;
}
