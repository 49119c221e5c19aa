// How long the file reader takes over large files that no writer made (the window reads
// whatever the user opens). Prints milliseconds per file; no limit is judged here.
#include "config/ConfigFile.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

constexpr std::size_t kTenMegabytes = 10 * 1024 * 1024;

std::string RandomBytes(std::size_t n)
{
    std::mt19937 random(42);
    std::string out(n, '\0');
    for (char& c : out)
        c = static_cast<char>(random());
    return out;
}

} // namespace

int main()
{
    const struct {
        const char* name;
        std::string bytes;
    } files[] = {
        {"random, 10 MB", RandomBytes(kTenMegabytes)},
        {"one line, 10 MB", "[000]" + std::string(kTenMegabytes, '9')},
        {"line ends, 10 MB", std::string(kTenMegabytes, '\n')},
    };
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "kovrin-read-bench.kvnf";
    for (const auto& f : files) {
        std::ofstream(path, std::ios::binary) << f.bytes;
        kovrin::ConfigRecord record;
        const auto start = std::chrono::steady_clock::now();
        kovrin::ReadConfigFile(record, path.string());
        const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("read %-18s %8.1f ms\n", f.name, ms);
    }
    std::filesystem::remove(path);
    return 0;
}
