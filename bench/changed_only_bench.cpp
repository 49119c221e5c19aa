// A two-word change uploaded in full and with --changed-only, side by side, through
// kovrin-cli against ats-sim at the real line rate (1200 baud 8N1, paced). Prints both
// wall times and their ratio (target at most 0.45), and the changed-only upload against
// its own line floor: GI and the 16 GM reads, then per changed word the 750 ms pause, its
// SM and its GM read-back, every byte at 1200 baud 8N1 (target at most 1.02).
#include "comm/Frame.h"
#include "comm/Transfer.h"
#include "config/ConfigFile.h"
#include "tools/ats-sim/harness/SimProcess.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using namespace kovrin;

double Wall(const std::vector<std::string>& args, bool& ok)
{
    sim::ChildProcess::Launch launch;
    launch.argv.push_back(sim::ProgramPath("kovrin-cli"));
    launch.argv.insert(launch.argv.end(), args.begin(), args.end());
    launch.extraEnv = {"KOVRIN_ARCHIVE=off"};
    const sim::RunResult r = sim::RunProgram(launch, sim::Millis(120000));
    ok = !r.timedOut && r.status.code == 0;
    if (!ok)
        std::printf("%s failed (exit %d): %s\n", args[0].c_str(), r.status.code, r.err.c_str());
    return std::chrono::duration<double>(r.wall).count();
}

// Seconds on the line at 1200 baud, ten bits a byte.
double LineSeconds(std::size_t bytes) { return static_cast<double>(bytes) * 10.0 / 1200.0; }

double LineFloorSeconds(int changedWords)
{
    const std::size_t gm = BuildRequestGM(0).size() + kAnswerGM.expected;
    const std::size_t read = BuildRequestGI().size() + kAnswerGI.expected + 16 * gm;
    const std::size_t perWord = BuildRequestSM(0, 0).size() + kAnswerSM.expected + gm;
    const double pause = std::chrono::duration<double>(kUploadPause).count();
    return LineSeconds(read) + changedWords * (pause + LineSeconds(perWord));
}

} // namespace

int main()
{
    char pattern[] = "/tmp/kovrin-bench-XXXXXX";
    if (!::mkdtemp(pattern))
        return 1;
    const std::filesystem::path dir = pattern;
    std::string error;
    // The simulator paces its answers at 1200 baud (no --fast).
    auto sim = sim::SimProcess::Start({}, error);
    if (!sim) {
        std::printf("ats-sim: %s\n", error.c_str());
        return 1;
    }
    const std::string held = (dir / "held.kvnf").string(), wanted = (dir / "wanted.kvnf").string();
    bool ok = false;
    Wall({"download", "--port", sim->path(), held}, ok);
    if (!ok)
        return 1;
    ConfigRecord first, second;
    ReadConfigFile(first, held);
    second = first;
    first.setWord(12, 9);
    first.setWord(13, 7);
    second.setWord(12, 10);
    second.setWord(13, 8);
    const std::string a = (dir / "a.kvnf").string(), b = (dir / "b.kvnf").string();
    std::filesystem::remove(a);
    std::filesystem::remove(b);
    std::FILE* fa = std::fopen(a.c_str(), "wb");
    std::FILE* fb = std::fopen(b.c_str(), "wb");
    const std::string ta = ConfigFileText(first, {}), tb = ConfigFileText(second, {});
    std::fwrite(ta.data(), 1, ta.size(), fa);
    std::fwrite(tb.data(), 1, tb.size(), fb);
    std::fclose(fa);
    std::fclose(fb);

    // Each run changes the same two words against what the switch holds.
    const double full = Wall({"upload", "--port", sim->path(), a}, ok);
    if (!ok)
        return 1;
    const double changed = Wall({"upload", "--changed-only", "--port", sim->path(), b}, ok);
    if (!ok)
        return 1;
    std::printf("%-34s %8s\n", "two words changed, 1200 baud", "wall s");
    std::printf("%-34s %8.3f\n", "upload (16 words)", full);
    std::printf("%-34s %8.3f\n", "upload --changed-only", changed);
    std::printf("%-34s %8.3f  (target <= 0.45)\n", "ratio", changed / full);
    const double floor = LineFloorSeconds(2);
    std::printf("%-34s %8.3f\n", "changed-only line floor", floor);
    std::printf("%-34s %8.3f  (target <= 1.02)\n", "changed-only / floor", changed / floor);
    std::filesystem::remove_all(dir);
    return 0;
}
