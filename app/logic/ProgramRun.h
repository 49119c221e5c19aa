#pragma once
// The program's start-up and run, the same for every view, in the order the system has
// always followed: single instance, folders, command line, console, the "ReadUsb" event,
// then the view's four forms and its message loop.
#include "app/logic/FormConfigLogic.h"
#include "app/logic/MainView.h"

#include <functional>
#include <string>
#include <vector>

namespace kovrin {

class LinkService;

inline constexpr int kExitAlreadyRunning = 3;

// What a view brings to the run.
struct ProgramShell {
    // A message box before any window exists (the single-instance message, an exception
    // that escaped the forms).
    std::function<void(const MessageBoxSpec&)> messageBox;
    // Creates the forms and runs the message loop until the main window has closed.
    std::function<void(WindowEnvironment)> runForms;
};

// `arguments` are the program's own, the program's path first. Returns the exit code:
// 0, or kExitAlreadyRunning when another copy holds the single-instance lock.
int RunProgram(const std::vector<std::string>& arguments, LinkService& links, const ProgramShell& shell);

} // namespace kovrin
