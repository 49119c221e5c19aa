#pragma once
// Whole-file reads and writes for tests that compare exact bytes.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kovrin::test {

inline std::string ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace kovrin::test
