#pragma once
// The gang's manifest: a CSV file with the header "port,config,model" and one line per
// port. Everything a run needs is checked here, before any port is opened, so a bad line
// never leaves half a batch programmed.
#include "config/ConfigRecord.h"

#include <string>
#include <vector>

namespace kovrin::gang {

struct ManifestUnit {
    int line = 0;              // line number in the manifest, from 1
    std::string port;          // "COM1".."COM8" or a device path
    std::string configPath;    // resolved against the manifest's folder
    std::string model;         // empty: any model
    ConfigRecord target;       // words 0..15 are what the unit must end up holding
};

struct ManifestRefusal {
    int line = 0;              // 0: the file as a whole
    std::string text;
};

struct Manifest {
    std::vector<ManifestUnit> units;
    std::vector<ManifestRefusal> refusals;
    bool unreadable = false;   // the file itself could not be read
    bool ok() const { return refusals.empty() && !units.empty(); }
};

// "COM1".."COM8" (any case, given upper-case) or a device path; empty for what no gang
// worker may open (other COM numbers, USB, nothing).
std::string GangPortName(const std::string& text, std::string& why);

// Reads and checks the manifest at `path`: every line, all refusals collected.
Manifest ReadManifest(const std::string& path);
// The same over text already read; relative config names are taken against `folder`.
Manifest ParseManifest(const std::string& text, const std::string& folder);

// "manifest line 3: ..." or "manifest: ..." for line 0.
std::string RefusalText(const ManifestRefusal& r);

} // namespace kovrin::gang
