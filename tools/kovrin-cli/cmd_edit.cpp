// edit: open IN as the window does, act through the editor's controls as a user would,
// validate, store and write OUT.
#include "Commands.h"

#include "config/ParameterEditor.h"
#include "config/Parameters.h"

#include <algorithm>
#include <climits>
#include <optional>

namespace kovrin::cli {
namespace {

// Settings that are no record word of their own but a control of the page.
struct NamedControl {
    std::string_view name;
    ControlId control;
};
constexpr NamedControl kDerivedSettings[] = {
    {"HysteresisA", ControlId::UpDown17},
    {"HysteresisB", ControlId::UpDown18},
};

struct Move {
    ControlId control;
    int position;
};

std::optional<ControlId> controlFor(std::string_view name, std::string& error)
{
    for (const NamedControl& d : kDerivedSettings)
        if (d.name == name)
            return d.control;
    const std::optional<ParameterInfo> p = FindParameter(name);
    if (!p) {
        error = "unknown parameter '" + std::string(name) + "'";
        return std::nullopt;
    }
    if (p->computed()) {
        error = std::string(name) + " is computed from its threshold and hysteresis and cannot be set";
        return std::nullopt;
    }
    return FindControl(p->control);
}

bool isInteger(std::string_view text)
{
    if (!text.empty() && (text.front() == '+' || text.front() == '-'))
        text.remove_prefix(1);
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<Move> parseSet(std::string_view assignment, std::string& error)
{
    const std::size_t equals = assignment.find('=');
    if (equals == std::string_view::npos) {
        error = "--set needs NAME=VALUE, got '" + std::string(assignment) + "'";
        return std::nullopt;
    }
    const std::string_view value = assignment.substr(equals + 1);
    if (!isInteger(value)) {
        error = "'" + std::string(value) + "' is not a whole number";
        return std::nullopt;
    }
    const std::optional<ControlId> control = controlFor(assignment.substr(0, equals), error);
    if (!control)
        return std::nullopt;
    // The control limits it to its range anyway; this only keeps it an int.
    const long long wide = std::clamp<long long>(ParseDecimal(value), INT_MIN, INT_MAX);
    return Move{*control, static_cast<int>(wide)};
}

} // namespace

int RunEdit(const Args& args)
{
    const std::vector<std::string> frequencies = args.all("frequency");
    std::optional<int> frequencyItem;
    if (frequencies.size() > 1)
        return Fail(ExitUsage, "--frequency given more than once");
    if (frequencies.size() == 1) {
        const auto item = std::find(kFrequencyItems.begin(), kFrequencyItems.end(), frequencies[0]);
        if (item == kFrequencyItems.end())
            return Fail(ExitUsage, "--frequency must be 50 or 60, got '" + frequencies[0] + "'");
        frequencyItem = static_cast<int>(item - kFrequencyItems.begin());
    }
    std::vector<Move> moves;
    for (const std::string& assignment : args.all("set")) {
        std::string error;
        const std::optional<Move> move = parseSet(assignment, error);
        if (!move)
            return Fail(ExitUsage, error);
        moves.push_back(*move);
    }

    ConfigRecord record;
    if (!ReadInput(args.positional[0], record))
        return ExitFile;
    ParameterEditor editor;
    editor.ShowRecord(record);
    if (frequencyItem)
        editor.UserSelectFrequency(*frequencyItem);
    for (const Move& m : moves) {
        if (InfoOf(m.control).kind == ControlKind::ScrollBar)
            editor.UserMoveScrollBar(m.control, m.position);
        else
            editor.UserMoveUpDown(m.control, m.position);
    }
    const ValidationResult verdict = editor.ValidateControls();
    if (!verdict)
        return Fail(ExitRefused, std::string(verdict.message) + " (" + std::string(NameOf(verdict.focus)) + ")");
    editor.StoreRecord(record);
    return WriteOutput(record, args.positional[1], args.has("force"));
}

} // namespace kovrin::cli
