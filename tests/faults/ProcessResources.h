#pragma once
// What this process holds right now: its open descriptors (with what they point at) and
// its threads. Tests compare a snapshot from before a command with one from after it.
#include <map>
#include <string>

namespace kovrin::test {

struct ProcessResources {
    std::map<int, std::string> descriptors;  // fd -> link target
    int threads = 0;
};

ProcessResources TakeResourceSnapshot();

// The descriptors `after` holds that `before` did not, as "fd -> target" lines; empty
// when nothing was left open.
std::string NewDescriptors(const ProcessResources& before, const ProcessResources& after);

} // namespace kovrin::test
