#include "Commands.h"

namespace kovrin::cli {
namespace {

// One line per command. A new command: define its Run function in its own cmd_*.cpp
// (the folder's sources are globbed) and add its line here.
constexpr Command kCommands[] = {
    {"show", "FILE [--json]", "print the record of a configuration file in readable form (--json: as JSON)", "json", "",
     1, RunShow},
    {"convert", "IN OUT [--force]", "read IN and write the same record to OUT", "force", "", 2, RunConvert},
    {"edit", "IN OUT [--frequency 50|60] [--set NAME=VALUE]... [--force]",
     "change parameters through the editor's controls, validate and write OUT", "force", "frequency set", 2, RunEdit},
    {"defaults", "OUT [--force]", "write the factory-default record to OUT", "force", "", 1, RunDefaults},
    {"download", "--port PORT OUT [--force] [--debug]",
     "read the switch's identification and words into OUT (PORT: COM1..COM8, USB, a device path, "
     "rfc2217://HOST:PORT or socket://HOST:PORT)",
     "force debug",
     "port", 1, RunDownload},
    {"upload", "--port PORT IN [--verify] [--changed-only [--any-switch]] [--debug]",
     "validate IN as the window does and write its 16 words to the switch; --verify reads them back; --changed-only "
     "reads the switch first and writes only the words that differ (refused for another ATS code unless --any-switch)",
     "verify changed-only any-switch debug", "port", 1, RunUpload},
    {"diff", "A B [--port PORT] [--json]",
     "list the parameters and identification that differ (A, B: a .kvnf file, ats or defaults); exit 0 same, 1 "
     "different", "json debug", "port", 2, RunDiff},
    {"archive", "[CODE]", "list the switches in the archive of states read, or one switch's states, newest first", "",
     "", -1, RunArchive},
    {"report", "IN|ats -o OUT.html [--port PORT] [--technician NAME] [--site TEXT] [--force]",
     "write a printable settings report (one self-contained HTML page)", "force debug", "o port technician site", 1,
     RunReport},
    {"gang",
     "MANIFEST [--results OUT.csv] [--jsonl OUT.jsonl] [--junit OUT.xml] [--station NAME] [--operator NAME] "
     "[--loop] [--debug]",
     "program the switch on every serial port of MANIFEST at once (lines port,config,model[,ats_code,...]; a "
     "switch other than the one its file or ats_code names is refused; USB is not in the gang: the bridge library "
     "serves one adapter per process); records are added to the results and JSON-lines files, never rewritten; "
     "--loop programs each unit plugged in next",
     "loop debug", "results jsonl junit station operator", 1, RunGang},
    {"about", "", "print the version and whether the bridge library and Manual.pdf are found beside the program", "",
     "", 0, RunAbout},
    {"ports", "", "list COM1..COM8: the device each stands for, whether it is there and may be opened", "", "", 0,
     RunPorts},
};

} // namespace

std::span<const Command> Commands() { return kCommands; }

} // namespace kovrin::cli
