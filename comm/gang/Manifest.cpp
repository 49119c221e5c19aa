#include "comm/gang/Manifest.h"

#include "comm/gang/RecordColumns.h"
#include "comm/net/NetworkUrl.h"
#include "platform/PortFinder.h"

#include "config/ConfigFile.h"
#include "config/ParameterEditor.h"
#include "config/ParameterView.h"
#include "config/Sha256.h"
#include "config/SwitchIdentity.h"
#include "config/Windows1252.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

namespace kovrin::gang {

namespace {

constexpr const char* kHeader = "port,config,model";

std::string Trim(std::string s)
{
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    s.erase(s.begin(), std::find_if_not(s.begin(), s.end(), blank));
    s.erase(std::find_if_not(s.rbegin(), s.rend(), blank).base(), s.end());
    return s;
}

std::string Upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

// Fields of one CSV line; a field in double quotes may hold commas and "" for a quote.
// False for a quote left open.
bool SplitFields(const std::string& line, std::vector<std::string>& fields)
{
    fields.assign(1, {});
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"')
                fields.back() += line[++i];
            else if (c == '"')
                quoted = false;
            else
                fields.back() += c;
        } else if (c == '"' && Trim(fields.back()).empty()) {
            fields.back().clear();
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    for (std::string& f : fields)
        f = Trim(f);
    return !quoted;
}

// The template's words as the file holds them; a template whose words the editor would
// change on load (a value beyond its control's ends) or that breaks a rule is refused,
// so the gang writes exactly what the file says. Empty when it is accepted.
std::string LoadTemplate(const std::string& path, ConfigRecord& target, std::string& sha256)
{
    std::error_code ec;
    std::ifstream bytes(path, std::ios::binary);
    std::ostringstream whole;
    if (!std::filesystem::is_regular_file(path, ec) || !bytes || !(whole << bytes.rdbuf()) ||
        ReadConfigFile(target, path) != ReadResult::Read)
        return path + ": cannot read the configuration file";
    sha256 = Sha256Hex(whole.str());
    const ParameterView view = MakeParameterView(target, false);
    for (const ParameterValue& v : view.parameters)
        if (v.editorChanges())
            return path + ": word " + std::to_string(v.info->word) + " (" + std::string(v.info->name) + ") holds " +
                   v.shown + "; the editor would keep " + std::to_string(v.editorWord);
    ParameterEditor editor;
    editor.ShowRecord(target);
    const ValidationResult verdict = editor.ValidateControls();
    if (!verdict)
        return path + ": " + std::string(verdict.message) + " (" + std::string(NameOf(verdict.focus)) + ")";
    return {};
}

} // namespace

std::string GangPortName(const std::string& text, std::string& why)
{
    const std::string upper = Upper(text);
    if (text.empty()) {
        why = "no port";
        return {};
    }
    if (IsNetworkPortName(text)) {
        if (!ParseNetworkUrl(text, why))
            return {};
        return text;
    }
    if (upper == "USB") {
        why = "USB is not in the gang: the bridge library serves one adapter per process";
        return {};
    }
    if (upper.size() > 3 && upper.compare(0, 3, "COM") == 0 &&
        std::all_of(upper.begin() + 3, upper.end(), [](unsigned char c) { return std::isdigit(c); })) {
        if (upper.size() == 4 && upper[3] >= '1' && upper[3] <= '8')
            return upper;
        why = "unknown port '" + text + "' (COM1..COM8, a device path or a network port such as rfc2217://HOST:PORT)";
        return {};
    }
    return text;
}

Manifest ParseManifest(const std::string& text, const std::string& folder)
{
    Manifest m;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    bool header = false;
    // Where each known column stands; extras in Manifest::extraColumns follow in `extraAt`.
    int portAt = -1, configAt = -1, modelAt = -1, codeAt = -1;
    std::vector<int> extraAt;
    std::size_t columns = 0;
    std::map<std::string, int> portLines;
    const auto refuse = [&](int at, std::string why) { m.refusals.push_back({at, std::move(why)}); };
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3);
        if (Trim(line).empty() || Trim(line)[0] == '#')
            continue;
        std::vector<std::string> f;
        const bool closed = SplitFields(line, f);
        if (!header) {
            header = true;
            columns = f.size();
            std::map<std::string, int> seen;
            for (std::size_t i = 0; i < f.size(); ++i) {
                std::string name = f[i];
                std::string lower = name;
                std::transform(lower.begin(), lower.end(), lower.begin(),
                               [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
                const int at = static_cast<int>(i);
                if (lower == "port" || lower == "config" || lower == "model" || lower == "ats_code")
                    name = lower;
                if (name.empty() || !seen.emplace(name, at).second) {
                    refuse(number, name.empty() ? "a column without a name"
                                                : "column \"" + name + "\" is named twice");
                    return m;
                }
                if (name == "port")
                    portAt = at;
                else if (name == "config")
                    configAt = at;
                else if (name == "model")
                    modelAt = at;
                else if (name == "ats_code")
                    codeAt = at;
                else if (IsRecordColumn(name)) {
                    refuse(number, "column \"" + name + "\" is one of the records' own; name it otherwise");
                    return m;
                } else {
                    m.extraColumns.push_back(name);
                    extraAt.push_back(at);
                }
            }
            if (!closed || portAt != 0 || configAt != 1) {
                refuse(number, std::string("the first line must be \"") + kHeader +
                                   "\", optionally followed by ats_code and columns of your own");
                return m;
            }
            continue;
        }
        if (!closed) {
            refuse(number, "a quote is not closed");
            continue;
        }
        if (f.size() < 2 || f.size() > columns) {
            refuse(number, "expected at most " + std::to_string(columns) + " fields (port and config needed), found " +
                               std::to_string(f.size()) + " field(s)");
            continue;
        }
        f.resize(columns);
        ManifestUnit unit;
        unit.line = number;
        std::string why;
        unit.port = GangPortName(f[0], why);
        if (unit.port.empty()) {
            refuse(number, why);
            continue;
        }
        if (const auto seen = portLines.find(unit.port); seen != portLines.end()) {
            refuse(number, "port " + unit.port + " is already on line " + std::to_string(seen->second));
            continue;
        }
        portLines[unit.port] = number;
        if (f[1].empty()) {
            refuse(number, "no configuration file");
            continue;
        }
        const std::filesystem::path config(f[1]);
        std::filesystem::path resolved =
            config.is_absolute() || folder.empty() ? config : std::filesystem::path(folder) / config;
        // The system's own separators, so messages show the path as the user types it there.
        unit.configPath = resolved.make_preferred().string();
        unit.templateName = resolved.filename().string();
        unit.model = modelAt >= 0 ? f[static_cast<std::size_t>(modelAt)] : std::string();
        if (unit.model.size() > kAtsModelMaxChars) {
            refuse(number, "model '" + unit.model + "' is longer than 16 characters");
            continue;
        }
        if (const std::string bad = LoadTemplate(unit.configPath, unit.target, unit.templateSha256); !bad.empty()) {
            refuse(number, bad);
            continue;
        }
        if (NamesSwitch(unit.target))
            unit.identity = unit.target;
        if (const std::string code = codeAt >= 0 ? f[static_cast<std::size_t>(codeAt)] : std::string(); !code.empty()) {
            std::string bytes;
            if (!Utf8ToWindows1252(code, bytes) || bytes.size() > kAtsCodeMaxChars) {
                refuse(number, "ats_code '" + code + "' is not a switch's code (at most 16 characters of Windows-1252)");
                continue;
            }
            ConfigRecord named = unit.target;
            named.setText(field::AtsCode, bytes);
            // The file and the line must not name two different switches.
            if (NamesSwitch(unit.target) && !SameSwitch(unit.target, named)) {
                refuse(number, unit.templateName + " names switch " + Windows1252ToUtf8(SwitchCode(unit.target)) +
                                   ", the line's ats_code " + code);
                continue;
            }
            unit.identity = named;
        }
        for (int at : extraAt)
            unit.extras.push_back(f[static_cast<std::size_t>(at)]);
        m.units.push_back(std::move(unit));
    }
    if (!header)
        refuse(0, std::string("empty; the first line must be \"") + kHeader + "\"");
    else if (m.units.empty() && m.refusals.empty())
        refuse(0, "no units listed");
    return m;
}

PortResolver SystemPortResolver()
{
    return [scan = std::optional<PortScan>()](const std::string& port, std::string& why) mutable -> std::string {
        if (IsNetworkPortName(port))
            return port;
        if (const std::optional<int> n = ComPortNumber(port)) {
            if (!scan)
                scan = MakeSystemPortFinder()->Scan();
            const ComPort& com = scan->ports[static_cast<std::size_t>(*n - 1)];
            // Where the system tells nothing beyond the name, the open will say.
            if (com.device.empty() || (com.probed && !com.present)) {
                why = port + " names no serial device here" +
                      (com.device.empty() ? std::string() : " (" + com.device + " is not present)");
                return {};
            }
            return com.device;
        }
        std::error_code ec;
        if (!std::filesystem::exists(port, ec)) {
            why = "device " + port + " does not exist";
            return {};
        }
        const std::filesystem::path real = std::filesystem::canonical(port, ec);
        return ec ? port : real.string();
    };
}

void ResolvePorts(Manifest& manifest, const PortResolver& resolve)
{
    std::map<std::string, int> deviceLines;
    std::vector<ManifestUnit> kept;
    for (ManifestUnit& unit : manifest.units) {
        std::string why;
        unit.device = resolve(unit.port, why);
        if (unit.device.empty()) {
            manifest.refusals.push_back({unit.line, why});
            continue;
        }
        if (const auto seen = deviceLines.find(unit.device); seen != deviceLines.end()) {
            manifest.refusals.push_back({unit.line, unit.port + " is " + unit.device + ", already on line " +
                                                        std::to_string(seen->second)});
            continue;
        }
        deviceLines[unit.device] = unit.line;
        kept.push_back(std::move(unit));
    }
    manifest.units = std::move(kept);
    std::sort(manifest.refusals.begin(), manifest.refusals.end(),
              [](const ManifestRefusal& a, const ManifestRefusal& b) { return a.line < b.line; });
}

Manifest ReadManifest(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::error_code ec;
    if (!in || std::filesystem::is_directory(path, ec)) {
        Manifest m;
        m.unreadable = true;
        m.refusals.push_back({0, path + ": cannot read the manifest"});
        return m;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseManifest(text.str(), std::filesystem::path(path).parent_path().string());
}

std::string RefusalText(const ManifestRefusal& r)
{
    if (r.line == 0)
        return "manifest: " + r.text;
    return "manifest line " + std::to_string(r.line) + ": " + r.text;
}

} // namespace kovrin::gang
