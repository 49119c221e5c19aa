#include "app/qt/Startup.h"

#include "app/qt/Dialogs.h"
#include "app/qt/LomarForm.h"
#include "app/qt/PasswordForm.h"
#include "app/qt/ProgressForm.h"
#include "app/qt/SettingsForm.h"
#include "app/logic/CommandLine.h"
#include "app/logic/WindowTexts.h"
#include "comm/DebugLog.h"
#include "platform/Console.h"
#include "platform/Event.h"
#include "platform/Folders.h"
#include "platform/InstanceLock.h"
#include "platform/Shell.h"

#include <QApplication>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace kovrin {

namespace {

constexpr const char* kInstanceLockName = "TARVIXCONFIG";
constexpr const char* kAlreadyRunTitle = "Kovrin Configurator";
constexpr const char* kAlreadyRunText = "Kovrin Configurator already run";

// The four forms, owned by the application for the whole run.
struct Forms {
    std::unique_ptr<TFormConfig> FormConfig;
    std::unique_ptr<TFormProgress> FormProgress;
    std::unique_ptr<TFormPassword> FormPassword;
    std::unique_ptr<TFormSettings> FormSettings;
};

void CreateForms(Forms& forms, WindowEnvironment environment)
{
    forms.FormConfig = std::make_unique<TFormConfig>(std::move(environment));
    // The dialogs stay hidden: every command makes a fresh one of its own.
    forms.FormProgress = std::make_unique<TFormProgress>(QStringLiteral("Please wait..."), true);
    forms.FormPassword = std::make_unique<TFormPassword>(PasswordDialogTexts{}, nullptr);
    forms.FormSettings = std::make_unique<TFormSettings>(MakePropertiesContent(ConfigRecord{}));
}

void ShowEscaped(const char* message)
{
    ShowExceptionBox(message != nullptr ? message : "");
}

} // namespace

int RunKovrin(int argc, char** argv, LinkService& links)
{
    // The toolkit takes its own options out of argv: the program's first argument is
    // read from a copy made before.
    const std::vector<std::string> arguments(argv, argv + argc);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(text::kProductName.data(), qsizetype(text::kProductName.size())));

    // 1-2. One copy per session; a second one only says so.
    auto lock = std::make_unique<InstanceLock>(kInstanceLockName);
    if (lock->alreadyRunning()) {
        ShowMessageBox({kAlreadyRunTitle, kAlreadyRunText, MessageIcon::Error, MessageButtons::Ok});
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

    // 10-11. The forms and the message loop.
    environment.links = &links;
    environment.openDocument = [](const std::string& file, const std::string& folder) {
        return OpenDocument(folder, file);
    };
    {
        Forms forms;
        try {
            CreateForms(forms, std::move(environment));
            forms.FormConfig->show();
            QApplication::exec();
        } catch (const std::exception& e) {
            ShowEscaped(e.what());
        } catch (...) {
            ShowEscaped(nullptr);
        }
    }

    // 12-13. Released here, not at return, so a new copy may start while this one ends.
    lock.reset();
    DebugLog("\nFree console ...");
    SetDebugConsole({});
    ConsoleClose();
    return 0;
}

} // namespace kovrin
