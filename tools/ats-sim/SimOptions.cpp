#include "tools/ats-sim/SimOptions.h"

#include "config/ConfigFile.h"

#include <charconv>
#include <string_view>

namespace kovrin::sim {

namespace {

enum class Group { Line, Switch, Faults };

struct OptionSpec {
    std::string_view name;
    std::string_view argument;  // empty: a flag
    Group group;
    std::string_view help;
    // Returns an error text, or empty on success.
    std::function<std::string(SimOptions&, const std::string&)> apply;
};

bool ToInt(const std::string& text, long min, long max, long& out)
{
    int base = 10;
    std::string_view s(text);
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    long v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty() || v < min || v > max)
        return false;
    out = v;
    return true;
}

std::string Range(std::string_view what, long min, long max)
{
    return std::string(what) + " must be a number from " + std::to_string(min) + " to " + std::to_string(max);
}

// Handler for an option with a bounded integer argument.
template <typename Store>
auto IntOption(long min, long max, Store store)
{
    return [=](SimOptions& o, const std::string& arg) -> std::string {
        long v = 0;
        if (!ToInt(arg, min, max, v))
            return Range("the value", min, max);
        store(o, v);
        return {};
    };
}

template <typename Store>
auto CommandsOption(Store store)
{
    return [=](SimOptions& o, const std::string& arg) -> std::string {
        CommandSet set;
        if (!ParseCommandSet(arg, set))
            return "expected GI, GN, GM, SM or all (comma-separated)";
        store(o, set);
        return {};
    };
}

// An identification text, at most `width` characters on the wire.
auto TextOption(std::size_t width, std::string Identification::*member)
{
    return [=](SimOptions& o, const std::string& arg) -> std::string {
        if (arg.size() > width)
            return "at most " + std::to_string(width) + " characters";
        o.overrides.push_back([=](SwitchState& s) { s.identification.*member = arg; });
        return {};
    };
}

// A one-character identification code.
auto CodeOption(std::uint8_t Identification::*member)
{
    return [=](SimOptions& o, const std::string& arg) -> std::string {
        if (arg.size() != 1)
            return "one character";
        const auto c = static_cast<std::uint8_t>(arg[0]);
        o.overrides.push_back([=](SwitchState& s) { s.identification.*member = c; });
        return {};
    };
}

// Nominal values travel as three nibble characters: 12 bits.
auto NominalOption(std::uint16_t NominalData::*member)
{
    return IntOption(0, 4095, [=](SimOptions& o, long v) {
        o.overrides.push_back([=](SwitchState& s) { s.nominal.*member = static_cast<std::uint16_t>(v); });
    });
}

std::string WordOption(SimOptions& o, const std::string& arg)
{
    const std::size_t eq = arg.find('=');
    long n = 0, v = 0;
    if (eq == std::string::npos || !ToInt(arg.substr(0, eq), 0, 255, n) ||
        !ToInt(arg.substr(eq + 1), 0, 65535, v))
        return "expected N=VALUE with N 0..255 and VALUE 0..65535";
    o.overrides.push_back([=](SwitchState& s) { s.words[n] = static_cast<std::uint16_t>(v); });
    return {};
}

const std::vector<OptionSpec>& Options()
{
    static const std::vector<OptionSpec> table = {
        {"--device", "PATH", Group::Line, "serve this serial device instead of a new pty",
         [](SimOptions& o, const std::string& a) { o.device = a; return std::string(); }},
        {"--link", "PATH", Group::Line, "make a symbolic link PATH to the served device",
         [](SimOptions& o, const std::string& a) { o.link = a; return std::string(); }},
        {"--fast", "", Group::Line, "answer at once (no 1200 baud pacing)",
         [](SimOptions& o, const std::string&) { o.fast = true; return std::string(); }},
        {"--log", "FILE", Group::Line, "append the request log to FILE (default: stderr)",
         [](SimOptions& o, const std::string& a) { o.logPath = a; return std::string(); }},
        {"--state", "FILE", Group::Switch, "identification and words from a .kvnf file (it holds no nominal data)",
         [](SimOptions& o, const std::string& a) { o.statePath = a; return std::string(); }},
        {"--save", "FILE", Group::Switch, "write the switch's words to a .kvnf file on exit",
         [](SimOptions& o, const std::string& a) { o.savePath = a; return std::string(); }},
        {"--code", "TEXT", Group::Switch, "ATS code (up to 16 characters)",
         TextOption(16, &Identification::atsCode)},
        {"--model", "TEXT", Group::Switch, "ATS model (up to 16 characters)",
         TextOption(16, &Identification::atsModel)},
        {"--firmware", "TEXT", Group::Switch, "firmware version (up to 12 characters)",
         TextOption(12, &Identification::firmwareVersion)},
        {"--io-config", "C", Group::Switch, "I/O configuration code: 1 mono/mono, 4 three/three",
         CodeOption(&Identification::ioConfiguration)},
        {"--ats-type", "C", Group::Switch, "ATS type code: 5 automatic, 6 static",
         CodeOption(&Identification::atsType)},
        {"--input-socket", "D", Group::Switch, "input socket digit", CodeOption(&Identification::inputSocket)},
        {"--output-socket", "D", Group::Switch, "output socket digit", CodeOption(&Identification::outputSocket)},
        {"--current", "A", Group::Switch, "nominal current in amperes (0..4095)",
         NominalOption(&NominalData::current)},
        {"--voltage", "V", Group::Switch, "nominal voltage in volts (0..4095)",
         NominalOption(&NominalData::voltage)},
        {"--frequency", "TENTHS", Group::Switch, "nominal frequency in tenths of a hertz, e.g. 600",
         NominalOption(&NominalData::frequencyTenths)},
        {"--word", "N=VALUE", Group::Switch, "set record word N (repeatable; 0x.. allowed)", WordOption},
        {"--mute", "", Group::Faults, "never answer",
         [](SimOptions& o, const std::string&) { o.faults.mute = true; return std::string(); }},
        {"--mute-after", "N", Group::Faults, "answer the first N requests, then stay silent",
         IntOption(0, 1000000, [](SimOptions& o, long v) { o.faults.muteAfter = static_cast<int>(v); })},
        {"--hang-up-after", "N", Group::Faults, "answer N requests, then drop the line and exit",
         IntOption(0, 1000000, [](SimOptions& o, long v) { o.faults.hangUpAfter = static_cast<int>(v); })},
        {"--bad-check", "CMDS", Group::Faults, "wrong check value in answers to CMDS (GI,GN,GM,SM,all)",
         CommandsOption([](SimOptions& o, CommandSet s) { o.faults.badCheck = s; })},
        {"--short-answer", "CMDS", Group::Faults, "a valid 12-byte answer instead of the full one",
         CommandsOption([](SimOptions& o, CommandSet s) { o.faults.shortAnswer = s; })},
        {"--half-answer", "CMDS", Group::Faults, "send only the first half of the answer",
         CommandsOption([](SimOptions& o, CommandSet s) { o.faults.halfAnswer = s; })},
        {"--junk", "N", Group::Faults, "send N noise bytes before every answer",
         IntOption(0, 64, [](SimOptions& o, long v) { o.faults.junkBytes = static_cast<int>(v); })},
        {"--ignore-write", "I", Group::Faults, "no answer to the write of word I (nothing stored)",
         IntOption(0, 255, [](SimOptions& o, long v) { o.faults.ignoreWrite = static_cast<int>(v); })},
        {"--drop-write", "I", Group::Faults, "acknowledge the write of word I but keep the old value",
         IntOption(0, 255, [](SimOptions& o, long v) { o.faults.dropWrite = static_cast<int>(v); })},
        {"--help", "", Group::Line, "show this text",
         [](SimOptions& o, const std::string&) { o.help = true; return std::string(); }},
    };
    return table;
}

} // namespace

ParseOutcome ParseSimOptions(const std::vector<std::string>& args, SimOptions& out)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool inlineValue = false;
        if (const std::size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            inlineValue = true;
        }
        const OptionSpec* option = nullptr;
        for (const OptionSpec& o : Options())
            if (o.name == name)
                option = &o;
        if (!option)
            return {false, "unknown option " + args[i] + " (see --help)"};
        if (option->argument.empty()) {
            if (inlineValue)
                return {false, name + " takes no value"};
        } else if (!inlineValue) {
            if (i + 1 >= args.size())
                return {false, name + " needs " + std::string(option->argument)};
            value = args[++i];
        }
        if (const std::string error = option->apply(out, value); !error.empty())
            return {false, name + ": " + error};
    }
    return {};
}

std::string SimHelpText()
{
    std::string text =
        "Usage: ats-sim [OPTIONS]\n"
        "A simulated transfer switch on a serial line. Prints the path of its line on the\n"
        "first line of standard output, then answers GI, GN, GM and SM requests (at 1200\n"
        "baud 8N1 unless --fast) until SIGTERM or SIGINT, logging every request. Without\n"
        "options it is a 32 A, 230 V, 50 Hz automatic switch with the factory parameters.\n"
        "Exit code 0 when stopped or hung up, 1 when the line or the save fails, 2 for a\n"
        "wrong option.\n"
        "\n"
        "Examples:\n"
        "  ats-sim --link /tmp/ats --save /tmp/ats.kvnf\n"
        "      then: kovrin-cli download --port /tmp/ats out.kvnf\n"
        "      or:   KOVRIN_COM1=/tmp/ats kovrin   (and connect on COM1)\n"
        "  ats-sim --link /tmp/ats --state site.kvnf --bad-check GM\n"
        "      a switch holding the words of site.kvnf whose word answers arrive damaged\n";
    const struct {
        Group group;
        const char* title;
    } groups[] = {{Group::Line, "Line"}, {Group::Switch, "Switch"}, {Group::Faults, "Fault modes (combinable)"}};
    for (const auto& g : groups) {
        text += std::string("\n") + g.title + ":\n";
        for (const OptionSpec& o : Options()) {
            if (o.group != g.group)
                continue;
            std::string left = "  " + std::string(o.name);
            if (!o.argument.empty())
                left += " " + std::string(o.argument);
            left.resize(std::max<std::size_t>(left.size() + 1, 26), ' ');
            text += left + std::string(o.help) + "\n";
        }
    }
    return text;
}

bool BuildSwitchState(const SimOptions& options, SwitchState& state, std::string& error)
{
    state = DefaultSwitchState();
    if (!options.statePath.empty()) {
        ConfigRecord record;
        if (ReadConfigFile(record, options.statePath) != ReadResult::Read) {
            error = "cannot read " + options.statePath;
            return false;
        }
        LoadFromRecord(state, record);
    }
    for (const auto& apply : options.overrides)
        apply(state);
    return true;
}

} // namespace kovrin::sim
