#pragma once
// Shared pieces of the end-to-end tests: a scratch folder per test, the simulator and
// kovrin-cli as owned child processes, and the .kvnf files they exchange.
#include "config/ConfigFile.h"
#include "tools/ats-sim/harness/SimProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace kovrin::e2e {

using sim::Millis;

// A fresh folder, removed with everything in it when the test ends.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kovrin-e2e-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline std::optional<sim::SimProcess> StartSim(const std::vector<std::string>& options)
{
    std::string error;
    std::optional<sim::SimProcess> s = sim::SimProcess::Start(options, error);
    EXPECT_TRUE(s) << error;
    return s;
}

// kovrin-cli with the arguments; a hung client is killed after a minute.
inline sim::RunResult Cli(const std::vector<std::string>& args)
{
    sim::ChildProcess::Launch launch;
    launch.argv.push_back(sim::ProgramPath("kovrin-cli"));
    launch.argv.insert(launch.argv.end(), args.begin(), args.end());
    return sim::RunProgram(launch, Millis(60000));
}

inline bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

inline std::vector<std::string> FileLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

inline ConfigRecord ReadRecord(const std::string& path)
{
    ConfigRecord r;
    EXPECT_EQ(ReadConfigFile(r, path), ReadResult::Read) << path;
    return r;
}

inline void WriteRecord(const ConfigRecord& record, const std::string& path)
{
    struct Replace final : FilePrompts {
        void ShowError(std::string_view text) override { ADD_FAILURE() << text; }
        bool AskOverwrite(std::string_view) override { return true; }
    } replace;
    ASSERT_EQ(WriteConfigFile(record, path, replace), WriteResult::Written);
}

} // namespace kovrin::e2e
