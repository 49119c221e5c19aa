#pragma once
// The program's start-up and run, in the order the system has always followed: single
// instance, folders, command line, console, the "ReadUsb" event, the four forms, the
// message loop.
namespace kovrin {

class LinkService;

inline constexpr int kExitAlreadyRunning = 3;

int RunKovrin(int argc, char** argv, LinkService& links);

} // namespace kovrin
