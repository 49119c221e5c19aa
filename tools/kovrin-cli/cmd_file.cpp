// convert and defaults: records moved between files unchanged, no editor pass.
#include "Commands.h"

namespace kovrin::cli {

int RunConvert(const Args& args)
{
    ConfigRecord record;
    if (!ReadInput(args.positional[0], record))
        return ExitFile;
    return WriteOutput(record, args.positional[1], args.has("force"));
}

int RunDefaults(const Args& args)
{
    ConfigRecord record;
    LoadFactoryDefaults(record);
    return WriteOutput(record, args.positional[0], args.has("force"));
}

} // namespace kovrin::cli
