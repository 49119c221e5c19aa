// Configuration files that no writer made: very large, binary, without line ends. The
// reader and `kovrin-cli show` take them in bounded time and never fail on them.
#include "config/ConfigFile.h"
#include "tools/ats-sim/harness/ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <unistd.h>

namespace kovrin::test {
namespace {

namespace fs = std::filesystem;
using Ms = std::chrono::milliseconds;

constexpr std::size_t kTenMegabytes = 10 * 1024 * 1024;

struct BadFile {
    const char* name;
    std::string (*make)();
};

std::string RandomBytes(std::size_t n)
{
    std::mt19937 random(42);
    std::string out(n, '\0');
    for (char& c : out)
        c = static_cast<char>(random());
    return out;
}

const BadFile kFiles[] = {
    {"RandomTenMegabytes", [] { return RandomBytes(kTenMegabytes); }},
    {"OneLineTenMegabytes", [] { return "[000]" + std::string(kTenMegabytes, '9'); }},
    {"LineEndsTenMegabytes", [] { return std::string(kTenMegabytes, '\n'); }},
    {"RecordLinesTenMegabytes", [] {
         std::string s;
         while (s.size() < kTenMegabytes)
             s += "[999] 99999999999999999999999999 -99999999999999999999999999\r\n";
         return s;
     }},
    {"BinaryJunk", [] { return RandomBytes(4096) + std::string(300, '\0') + "\r\r\r:" + RandomBytes(512); }},
    {"ZerosOnly", [] { return std::string(65536, '\0'); }},
};

class BadConfigFile : public ::testing::TestWithParam<BadFile> {
protected:
    void SetUp() override
    {
        path = fs::temp_directory_path() / ("kovrin-badfile-" + std::to_string(::getpid()) + "-" + GetParam().name + ".kvnf");
        std::ofstream(path, std::ios::binary) << GetParam().make();
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove(path, ec);
    }
    fs::path path;
};

// How long it takes is bench/read_bench's figure; a hang ends at the test's timeout.
TEST_P(BadConfigFile, ReaderTakesIt)
{
    // Every byte 0xFF before: no text may keep a byte of the old record or outgrow its field.
    ConfigRecord record;
    LoadFactoryDefaults(record);
    EXPECT_EQ(ReadConfigFile(record, path.string()), ReadResult::Read);
    EXPECT_LE(record.text(field::AtsCode).size(), 19u);
    EXPECT_LE(record.text(field::AtsModel).size(), 19u);
    EXPECT_LE(record.text(field::FirmwareVersion).size(), 15u);
}

TEST_P(BadConfigFile, CliShowPrintsIt)
{
    const sim::RunResult r = sim::RunProgram({{sim::ProgramPath("kovrin-cli"), "show", path.string()}, {}}, Ms(30000));
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status.code, 0) << r.err;
    EXPECT_NE(r.out.find("Identification"), std::string::npos) << r.out.substr(0, 400);
    EXPECT_EQ(r.err, "");
}

INSTANTIATE_TEST_SUITE_P(Files, BadConfigFile, ::testing::ValuesIn(kFiles),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kovrin::test
