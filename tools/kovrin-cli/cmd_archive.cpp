// archive: the switches whose states were kept, or one switch's states, newest first.
#include "Commands.h"

#include "comm/Archive.h"
#include "config/Windows1252.h"

#include <cstdio>

namespace kovrin::cli {

int RunArchive(const Args& args)
{
    const ArchiveLocation location = ArchiveFromEnvironment();
    if (!location.enabled) {
        std::printf("the archive is off (%s=off): nothing is kept\n", kArchiveVariable);
        return ExitOk;
    }
    if (args.positional.empty()) {
        const std::vector<ArchivedSwitch> switches = ListArchivedSwitches(location);
        std::printf("archive: %s\n", location.root.c_str());
        if (switches.empty())
            std::printf("no states kept yet\n");
        for (const ArchivedSwitch& s : switches)
            std::printf("  %-18s %4zu state(s), newest %s\n", Windows1252ToUtf8(s.code).c_str(), s.states,
                        s.newest.c_str());
        return ExitOk;
    }
    const std::vector<std::string> states = ListArchivedStates(location, args.positional[0]);
    if (states.empty())
        return Fail(ExitFile, "no states kept for '" + args.positional[0] + "' in " + location.root);
    for (const std::string& path : states)
        std::printf("%s\n", path.c_str());
    return ExitOk;
}

} // namespace kovrin::cli
