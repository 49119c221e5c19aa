#include "Commands.h"

namespace kovrin::cli {
namespace {

// One line per command. A new command: define its Run function in its own cmd_*.cpp
// (the folder's sources are globbed) and add its line here.
constexpr Command kCommands[] = {
    {"show", "FILE", "print the record of a configuration file in readable form", "", "", 1, RunShow},
    {"convert", "IN OUT [--force]", "read IN and write the same record to OUT", "force", "", 2, RunConvert},
    {"edit", "IN OUT [--frequency 50|60] [--set NAME=VALUE]... [--force]",
     "change parameters through the editor's controls, validate and write OUT", "force", "frequency set", 2, RunEdit},
    {"defaults", "OUT [--force]", "write the factory-default record to OUT", "force", "", 1, RunDefaults},
    {"download", "--port PORT OUT [--force] [--debug]",
     "read the switch's identification and words into OUT (PORT: COM1..COM8, USB or a device path)", "force debug",
     "port", 1, RunDownload},
    {"upload", "--port PORT IN [--verify] [--debug]",
     "validate IN as the window does and write its 16 words to the switch; --verify reads them back", "verify debug",
     "port", 1, RunUpload},
    {"gang", "MANIFEST [--results OUT.csv] [--junit OUT.xml] [--loop] [--debug]",
     "program the switch on every serial port of MANIFEST at once (lines port,config,model; USB is not in the "
     "gang: the bridge library serves one adapter per process); --loop programs each unit plugged in next",
     "loop debug", "results junit", 1, RunGang},
    {"about", "", "print the version and whether the bridge library and Manual.pdf are found beside the program", "",
     "", 0, RunAbout},
    {"ports", "", "list COM1..COM8: the device each stands for, whether it is there and may be opened", "", "", 0,
     RunPorts},
};

} // namespace

std::span<const Command> Commands() { return kCommands; }

} // namespace kovrin::cli
