#include "tests/faults/ProcessResources.h"

#include <sys/stat.h>

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
        const int fd = std::stoi(name);
        std::error_code linkError;
        const fs::path target = fs::read_symlink(entry.path(), linkError);
        struct stat st {};
        if (fstat(fd, &st) != 0)
            continue;  // closed meanwhile
        r.descriptors[fd] = {static_cast<unsigned long long>(st.st_dev),
                             static_cast<unsigned long long>(st.st_ino),
                             linkError ? "?" : target.string()};
    }
    // The iteration's own descriptor was open only while listing.
    for (auto it = r.descriptors.begin(); it != r.descriptors.end();) {
        const std::string& t = it->second.target;
        if (t.rfind("/proc/", 0) == 0 && t.find("/fd") != std::string::npos)
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
    for (const auto& [fd, now] : after.descriptors) {
        const auto old = before.descriptors.find(fd);
        if (old == before.descriptors.end() || old->second.device != now.device ||
            old->second.inode != now.inode)
            out += std::to_string(fd) + " -> " + now.target + "\n";
    }
    return out;
}

} // namespace kovrin::test
