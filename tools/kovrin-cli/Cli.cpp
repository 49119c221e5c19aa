#include "Cli.h"

#include <cstdio>
#include <string>

namespace kovrin::cli {
namespace {

bool listed(std::string_view list, std::string_view word)
{
    while (!list.empty()) {
        const std::size_t blank = list.find(' ');
        if (list.substr(0, blank) == word)
            return true;
        if (blank == std::string_view::npos)
            break;
        list.remove_prefix(blank + 1);
    }
    return false;
}

// The tool answers the writer's questions from its own options and prints its errors.
class ToolPrompts final : public FilePrompts {
public:
    ToolPrompts(std::string name, bool force) : name_(std::move(name)), force_(force) {}
    void ShowError(std::string_view text) override { Fail(ExitFile, name_.empty() ? std::string(text) : name_ + ": " + std::string(text)); }
    bool AskOverwrite(std::string_view) override { return force_; }

private:
    std::string name_;
    bool force_;
};

} // namespace

bool Args::has(std::string_view flag) const
{
    for (const std::string& f : flags)
        if (f == flag)
            return true;
    return false;
}

std::vector<std::string> Args::all(std::string_view option) const
{
    std::vector<std::string> out;
    for (const auto& [name, value] : values)
        if (name == option)
            out.push_back(value);
    return out;
}

int Fail(int code, std::string_view text)
{
    std::string line = "kovrin-cli: ";
    line += text;
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::fprintf(stderr, "%s\n", line.c_str());
    return code;
}

int UsageError(const Command& command, std::string_view text)
{
    return Fail(ExitUsage, std::string(text) + " (usage: kovrin-cli " + std::string(command.name) + " " +
                               std::string(command.synopsis) + ")");
}

bool ParseArgs(const Command& command, std::span<char* const> argv, Args& out, std::string& error)
{
    for (std::size_t i = 0; i < argv.size(); ++i) {
        std::string_view arg = argv[i];
        // "-o" is the short form of "--o" where a command takes it (report -o OUT).
        if (arg == "-o" && listed(command.valueOptions, "o"))
            arg = "--o";
        if (arg.size() < 3 || arg.substr(0, 2) != "--") {
            out.positional.emplace_back(arg);
            continue;
        }
        std::string_view name = arg.substr(2);
        const std::size_t equals = name.find('=');
        if (equals != std::string_view::npos) {
            const std::string_view option = name.substr(0, equals);
            if (!listed(command.valueOptions, option)) {
                error = "unknown option --" + std::string(option);
                return false;
            }
            out.values.emplace_back(option, name.substr(equals + 1));
        } else if (listed(command.flags, name)) {
            out.flags.emplace_back(name);
        } else if (listed(command.valueOptions, name)) {
            if (i + 1 >= argv.size()) {
                error = "--" + std::string(name) + " needs a value";
                return false;
            }
            out.values.emplace_back(name, argv[++i]);
        } else {
            error = "unknown option --" + std::string(name);
            return false;
        }
    }
    // A negative count takes up to that many.
    const int count = static_cast<int>(out.positional.size());
    if (command.positionalCount < 0 ? count > -command.positionalCount : count != command.positionalCount) {
        error = "expected " + std::to_string(command.positionalCount) + " file argument(s), got " +
                std::to_string(out.positional.size());
        return false;
    }
    return true;
}

bool ReadInput(const std::string& in, ConfigRecord& record)
{
    if (ReadConfigFile(record, in) == ReadResult::Read)
        return true;
    Fail(ExitFile, in + ": cannot read the configuration file");
    return false;
}

int WriteOutput(const ConfigRecord& record, const std::string& out, bool force)
{
    ToolPrompts prompts(out, force);
    switch (WriteConfigFile(record, out, prompts)) {
    case WriteResult::Written:
        return ExitOk;
    case WriteResult::Declined:
        return Fail(ExitFile, out + ": file exists (--force replaces it)");
    case WriteResult::EmptyName:
    case WriteResult::CannotOpen:
        break;
    }
    return ExitFile;
}

} // namespace kovrin::cli
