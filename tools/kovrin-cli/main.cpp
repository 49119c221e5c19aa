// kovrin-cli: batch use of the configuration record, its editor and files (and of the
// device link) without the window.
#include "Cli.h"

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

using namespace kovrin::cli;

namespace {

void printHelp()
{
    std::printf("usage: kovrin-cli COMMAND [ARGS]\n\ncommands:\n");
    for (const Command& c : Commands())
        std::printf("  %-9s %s\n            %s\n", std::string(c.name).c_str(), std::string(c.synopsis).c_str(),
                    std::string(c.summary).c_str());
    std::printf("\nOUT is never replaced without --force.\n"
                "exit codes: 0 ok, 1 validation refused, 2 usage error, 3 device or link failure (gang: a unit failed), 4 file error\n");
}

const Command* findCommand(std::string_view name)
{
    for (const Command& c : Commands())
        if (c.name == name)
            return &c;
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        printHelp();
        return ExitUsage;
    }
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printHelp();
        return ExitOk;
    }
    const Command* command = findCommand(name);
    if (!command)
        return Fail(ExitUsage, "unknown command '" + std::string(name) + "' (see kovrin-cli --help)");
    const std::span<char* const> rest(argv + 2, static_cast<std::size_t>(argc - 2));
    for (const char* arg : rest) {
        if (std::string_view(arg) == "--help" || std::string_view(arg) == "-h") {
            std::printf("usage: kovrin-cli %s %s\n  %s\n", std::string(command->name).c_str(),
                        std::string(command->synopsis).c_str(), std::string(command->summary).c_str());
            return ExitOk;
        }
    }
    Args args;
    std::string error;
    if (!ParseArgs(*command, rest, args, error))
        return UsageError(*command, error);
    return command->run(args);
}
