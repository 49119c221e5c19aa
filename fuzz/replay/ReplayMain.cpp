// Replays every stored input of one fuzz target (its corpus and its past crashes) through
// the target's own checks, built without libFuzzer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> InputsIn(const std::string& kind)
{
    std::vector<fs::path> files;
    const fs::path dir = fs::path(FUZZ_DIR) / kind / FUZZ_TARGET_NAME;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec))
        if (entry.is_regular_file() && entry.path().filename().string().front() != '.')
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Runs each file; a broken property aborts the process, so the last name printed is the
// input to look at.
std::size_t ReplayAll(const std::string& kind)
{
    const std::vector<fs::path> files = InputsIn(kind);
    for (const fs::path& file : files) {
        std::printf("replaying %s\n", file.c_str());
        std::fflush(stdout);
        std::ifstream in(file, std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0) << file;
    }
    return files.size();
}

// One suite per target, so that CTest sees distinct names.
#define REPLAY_SUITE_NAME(target) FuzzReplay_##target
#define REPLAY_SUITE(target) REPLAY_SUITE_NAME(target)

TEST(REPLAY_SUITE(FUZZ_TARGET_ID), Corpus)
{
    EXPECT_GT(ReplayAll("corpus"), 0u) << "no seed inputs for " << FUZZ_TARGET_NAME;
}

TEST(REPLAY_SUITE(FUZZ_TARGET_ID), PastCrashes)
{
    ReplayAll("crashes");
}

} // namespace
