#pragma once
// Entry points of the commands listed in CommandTable.cpp; each returns the exit code.
#include "Cli.h"

namespace kovrin::cli {

int RunShow(const Args& args);
int RunConvert(const Args& args);
int RunEdit(const Args& args);
int RunDefaults(const Args& args);
// Device transfers (cmd_transfer.cpp).
int RunDownload(const Args& args);
int RunUpload(const Args& args);
// Version and the files found in the program's folder (cmd_about.cpp).
int RunAbout(const Args& args);
// Several switches at once from a manifest (cmd_gang.cpp).
int RunGang(const Args& args);
// The serial ports (cmd_ports.cpp).
int RunPorts(const Args& args);

} // namespace kovrin::cli
