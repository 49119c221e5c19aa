#include "tests/faults/ProcessResources.h"

#include <filesystem>
#include <system_error>

namespace kovrin::test {

namespace fs = std::filesystem;

ProcessResources TakeResourceSnapshot()
{
    ProcessResources r;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", ec)) {
        const std::string name = entry.path().filename().string();
        std::error_code linkError;
        const fs::path target = fs::read_symlink(entry.path(), linkError);
        r.descriptors[std::stoi(name)] = linkError ? "?" : target.string();
    }
    // The iteration's own descriptor was open only while listing.
    for (auto it = r.descriptors.begin(); it != r.descriptors.end();) {
        if (it->second.rfind("/proc/", 0) == 0 && it->second.find("/fd") != std::string::npos)
            it = r.descriptors.erase(it);
        else
            ++it;
    }
    for (const auto& entry : fs::directory_iterator("/proc/self/task", ec)) {
        (void)entry;
        ++r.threads;
    }
    return r;
}

std::string NewDescriptors(const ProcessResources& before, const ProcessResources& after)
{
    std::string out;
    for (const auto& [fd, target] : after.descriptors) {
        const auto old = before.descriptors.find(fd);
        if (old == before.descriptors.end() || old->second != target)
            out += std::to_string(fd) + " -> " + target + "\n";
    }
    return out;
}

} // namespace kovrin::test
