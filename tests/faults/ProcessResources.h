#pragma once
// What this process holds right now: its open descriptors (with what they point at) and
// its threads. Tests compare a snapshot from before a command with one from after it.
#include <map>
#include <string>

namespace kovrin::test {

struct OpenDescriptor {
    // The open file itself (device and inode): it stays the same while the file is renamed
    // or deleted under an inherited descriptor, as CTest does with its own log.
    unsigned long long device = 0;
    unsigned long long inode = 0;
    std::string target;  // the link text, for the message only
};

struct ProcessResources {
    std::map<int, OpenDescriptor> descriptors;
    int threads = 0;
};

ProcessResources TakeResourceSnapshot();

// The descriptors `after` holds that `before` did not (a new number, or a number now open
// on another file), as "fd -> target" lines; empty when nothing was left open.
std::string NewDescriptors(const ProcessResources& before, const ProcessResources& after);

} // namespace kovrin::test
