#pragma once
// The gang's manifest: a CSV file with a header naming its columns ("port" and "config"
// first, then "model" and "ats_code" where wanted, then any columns of the factory's own,
// copied into the records) and one line per port. Everything a run needs is checked here,
// before any port is opened, so a bad line never leaves half a batch programmed.
#include "config/ConfigRecord.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kovrin::gang {

struct ManifestUnit {
    int line = 0;              // line number in the manifest, from 1
    std::string port;          // "COM1".."COM8" or a device path
    std::string configPath;    // resolved against the manifest's folder
    std::string model;         // empty: any model
    ConfigRecord target;       // words 0..15 are what the unit must end up holding
    // The switch the unit must be: the template's own identification, its ATS code taken
    // from the "ats_code" column when that is given. None for factory filler: any switch.
    std::optional<ConfigRecord> identity;
    std::string templateName;  // the configuration file's name, without its folder
    std::string templateSha256;
    std::vector<std::string> extras;  // the values of Manifest::extraColumns
    std::string device;        // what the port opens, once ResolvePorts has found it
};

struct ManifestRefusal {
    int line = 0;              // 0: the file as a whole
    std::string text;
};

struct Manifest {
    std::vector<ManifestUnit> units;
    std::vector<std::string> extraColumns;  // the factory's own columns, in order
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

// What a port name opens: for COM1..COM8 the device the port numbers give it, else the
// name itself. Empty with the reason when there is none.
using PortResolver = std::function<std::string(const std::string& port, std::string& why)>;
// The system's: COM1..COM8 by the port numbers (KOVRIN_COMn first), device paths that
// exist, network ports as named.
PortResolver SystemPortResolver();

// Finds each unit's device before anything opens; a port that names nothing, or a second
// line for a device already listed, is refused with its line number.
void ResolvePorts(Manifest& manifest, const PortResolver& resolve);

// "manifest line 3: ..." or "manifest: ..." for line 0.
std::string RefusalText(const ManifestRefusal& r);

} // namespace kovrin::gang
