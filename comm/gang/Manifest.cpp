#include "comm/gang/Manifest.h"

#include "comm/net/NetworkUrl.h"

#include "config/ConfigFile.h"
#include "config/ParameterEditor.h"
#include "config/ParameterView.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
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
std::string LoadTemplate(const std::string& path, ConfigRecord& target)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) || ReadConfigFile(target, path) != ReadResult::Read)
        return path + ": cannot read the configuration file";
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
            std::string joined;
            for (const std::string& name : f)
                joined += (joined.empty() ? "" : ",") + Upper(name);
            if (joined != Upper(kHeader)) {
                refuse(number, std::string("the first line must be \"") + kHeader + "\"");
                return m;
            }
            continue;
        }
        if (!closed) {
            refuse(number, "a quote is not closed");
            continue;
        }
        if (f.size() < 2 || f.size() > 3) {
            refuse(number, "expected port,config,model (model may be empty), found " + std::to_string(f.size()) +
                               " field(s)");
            continue;
        }
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
        unit.model = f.size() == 3 ? f[2] : std::string();
        if (unit.model.size() > kAtsModelMaxChars) {
            refuse(number, "model '" + unit.model + "' is longer than 16 characters");
            continue;
        }
        if (const std::string bad = LoadTemplate(unit.configPath, unit.target); !bad.empty()) {
            refuse(number, bad);
            continue;
        }
        m.units.push_back(std::move(unit));
    }
    if (!header)
        refuse(0, std::string("empty; the first line must be \"") + kHeader + "\"");
    else if (m.units.empty() && m.refusals.empty())
        refuse(0, "no units listed");
    return m;
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
