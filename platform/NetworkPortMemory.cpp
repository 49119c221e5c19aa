#include "platform/NetworkPortMemory.h"

#include "platform/FileReplace.h"
#include "platform/PortFinder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace kovrin {

std::string NetworkPortMemoryFile()
{
    const std::string ports = PortMemoryFile();
    const std::size_t slash = ports.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : ports.substr(0, slash + 1) + "network-ports";
}

std::vector<std::string> LoadRecentNetworkPorts(const std::string& file)
{
    std::vector<std::string> recent;
    if (file.empty())
        return recent;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; recent.size() < kRecentNetworkPorts && std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && std::find(recent.begin(), recent.end(), line) == recent.end())
            recent.push_back(line);
    }
    return recent;
}

std::vector<std::string> WithRecentNetworkPort(std::vector<std::string> recent, const std::string& name)
{
    recent.erase(std::remove(recent.begin(), recent.end(), name), recent.end());
    recent.insert(recent.begin(), name);
    if (recent.size() > kRecentNetworkPorts)
        recent.resize(kRecentNetworkPorts);
    return recent;
}

bool SaveRecentNetworkPorts(const std::string& file, const std::vector<std::string>& recent)
{
    if (file.empty())
        return false;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ignored);
    std::string text;
    for (const std::string& name : recent)
        text += name + "\n";
    return ReplaceFileContents(file, text) == ReplaceResult::Replaced;
}

} // namespace kovrin
