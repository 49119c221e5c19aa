#include "app/logic/ScriptedView.h"
#include "app/logic/ProgramRun.h"

#include "app/logic/CommandLine.h"
#include "app/logic/WindowTexts.h"
#include "comm/DebugLog.h"
#include "platform/Console.h"
#include "platform/Event.h"
#include "platform/Folders.h"
#include "platform/InstanceLock.h"

#include <exception>
#include <memory>

namespace kovrin {

namespace {

constexpr const char* kInstanceLockName = "TARVIXCONFIG";
constexpr const char* kAlreadyRunText = "Kovrin Configurator already run";

} // namespace

int RunProgram(const std::vector<std::string>& arguments, LinkService& links, const ProgramShell& viewShell)
{
    // A scripted run answers the boxes shown before any window exists itself.
    ProgramShell shell = viewShell;
    shell.messageBox = [&viewShell](const MessageBoxSpec& box) {
        if (!ScriptedAnswer(box))
            viewShell.messageBox(box);
    };
    // 1-2. One copy per session; a second one only says so.
    auto lock = std::make_unique<InstanceLock>(kInstanceLockName);
    if (lock->alreadyRunning()) {
        shell.messageBox({std::string(text::kProductName), kAlreadyRunText, MessageIcon::Error, MessageButtons::Ok});
        return kExitAlreadyRunning;
    }

    // 3-4. The two folders.
    WindowEnvironment environment;
    environment.programFolder = ProgramFolder();
    environment.commonDataFolder = CommonDataFolder();
    environment.windowsVersion = WindowsVersion();

    // 5. The first argument: "-debug" exactly, else the start-up file.
    std::vector<const char*> args;
    for (const std::string& a : arguments)
        args.push_back(a.c_str());
    const CommandLine commandLine = ParseCommandLine(int(args.size()), args.data());
    SetDebugMode(commandLine.debugMode);
    environment.startupFile = commandLine.startupFile;

    // 6-7. No console exists yet, so this line reaches the log file only.
    DebugLog("\nAllocate console ...");
    if (commandLine.debugMode && ConsoleOpen()) {
        SetDebugConsole([](std::string_view text) { ConsoleWrite(text); });
        DebugLog("Debug screen\n\r");
    }

    // 9. Held until the process ends; failing to create it is not fatal.
    const std::shared_ptr<NamedEvent> readUsb = NamedEvent::create(kReadUsbEventName);

    // 10-11. The forms and the message loop. Exceptions carry no title of their own:
    // the box is the program's.
    // The manual opens through the window's default opener, platform/Shell.h's OpenDocument.
    environment.links = &links;
    try {
        shell.runForms(std::move(environment));
    } catch (const std::exception& e) {
        shell.messageBox({std::string(text::kProductName), e.what(), MessageIcon::Error, MessageButtons::Ok});
    } catch (...) {
        shell.messageBox({std::string(text::kProductName), "", MessageIcon::Error, MessageButtons::Ok});
    }

    // 12-13. Released here, not at return, so a new copy may start while this one ends.
    lock.reset();
    DebugLog("\nFree console ...");
    SetDebugConsole({});
    ConsoleClose();
    return 0;
}

} // namespace kovrin
