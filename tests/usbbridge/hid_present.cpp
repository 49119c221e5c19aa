// Waits until a HID interface with one of the given vendor and product ids can be opened
// and asked for its attributes, as the bridge library finds its adapters (or, with --gone,
// until none of them is listed any more). The Wine HID tests run it between plugging an
// emulated adapter and starting the program under test, so the program never races the
// system's device set-up, nor finds an adapter pulled before.
// Usage: hid_present [--gone] SECONDS VID:PID...   (ids in hex)
// Exit 0 once it is so, 1 when it is not so within the time, 2 on a usage error.
#include "BackendFactory.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;

using Ids = std::vector<std::pair<unsigned, unsigned>>;

// How many listed interfaces carry one of the ids; `seen` says what each interface gave.
int Matching(ubrix::HidBackend& backend, const Ids& ids, std::string& seen)
{
    seen.clear();
    const auto set = backend.presentDevices();
    if (!set) {
        seen = "no device set (error " + std::to_string(GetLastError()) + ")\n";
        return 0;
    }
    int found = 0;
    for (int index = 0; set->enumerate(index) == 0; ++index) {
        std::string path;
        if (!set->detail(index, path)) {
            seen += "interface " + std::to_string(index) + ": no path\n";
            continue;
        }
        const ubrix::HidHandle handle = backend.open(path, false);
        if (handle == ubrix::kNoHandle) {
            seen += path + ": not opened (error " + std::to_string(GetLastError()) + ")\n";
            continue;
        }
        ubrix::HidAttributes attributes;
        if (backend.getAttributes(handle, attributes)) {
            char text[16];
            std::snprintf(text, sizeof text, "%04x:%04x", attributes.vendorId, attributes.productId);
            seen += path + ": " + text + "\n";
            for (const auto& [vendor, product] : ids)
                found += attributes.vendorId == vendor && attributes.productId == product;
        } else {
            seen += path + ": no attributes\n";
        }
        backend.close(handle);
    }
    return found;
}

} // namespace

int main(int argc, char** argv)
{
    const bool gone = argc > 1 && std::strcmp(argv[1], "--gone") == 0;
    const int first = gone ? 2 : 1;
    Ids ids;
    for (int i = first + 1; i < argc; ++i) {
        char* colon = nullptr;
        const unsigned vendor = std::strtoul(argv[i], &colon, 16);
        if (*colon != ':') break;
        ids.emplace_back(vendor, std::strtoul(colon + 1, nullptr, 16));
    }
    if (argc < first + 2 || ids.size() != static_cast<std::size_t>(argc - first - 1)) {
        std::fprintf(stderr, "usage: hid_present [--gone] SECONDS VID:PID...\n");
        return 2;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[first]));
    const auto backend = ubrix::makeBackend();
    std::string seen;
    for (;; std::this_thread::sleep_for(100ms)) {
        const int found = Matching(*backend, ids, seen);
        if (gone ? found == 0 : found > 0) return 0;
        if (std::chrono::steady_clock::now() >= end) break;
    }
    std::fprintf(stderr, "hid_present: %s; the interfaces listed:\n%s", gone ? "an adapter is still listed" : "no adapter found",
                 seen.empty() ? "none\n" : seen.c_str());
    return 1;
}
