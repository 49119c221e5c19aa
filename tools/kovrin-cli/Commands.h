#pragma once
// Entry points of the commands listed in CommandTable.cpp; each returns the exit code.
#include "Cli.h"

#include <string>

namespace kovrin::cli {

int RunShow(const Args& args);
int RunConvert(const Args& args);
int RunEdit(const Args& args);
int RunDefaults(const Args& args);
// Device transfers (cmd_transfer.cpp).
int RunDownload(const Args& args);
int RunUpload(const Args& args);
// diff, show --json and report read their records from a file, "ats" or "defaults".
struct Source {
    ConfigRecord record;
    bool fromSwitch = false;
    std::string name;  // the file's name, "ATS" or "factory defaults"
};
// Reads the switch on --port with the download's requests (and keeps the state in the
// archive); prints the error and returns the exit code, or -1 when the record was read.
int ReadFromSwitch(const Args& args, ConfigRecord& record);
// A file, "ats" (the switch on --port) or "defaults"; the exit code, or -1 when read.
int ReadSource(const Args& args, const std::string& what, Source& source);
int RunDiff(const Args& args);
int RunArchive(const Args& args);
int RunReport(const Args& args);
// Version and the files found in the program's folder (cmd_about.cpp).
int RunAbout(const Args& args);
// Several switches at once from a manifest (cmd_gang.cpp).
int RunGang(const Args& args);
// The serial ports (cmd_ports.cpp).
int RunPorts(const Args& args);

} // namespace kovrin::cli
