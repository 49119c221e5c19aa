#include "app/win32/Startup.h"

#include "app/logic/ProgramRun.h"
#include "app/win32/Forms.h"
#include "app/win32/LomarForm.h"

namespace kovrin::win32 {

namespace {

void RunForms(WindowEnvironment environment)
{
    // 8. The common controls, version 6 by the program's manifest.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);

    // The four forms; the dialogs stay hidden, every command makes a fresh one of its own.
    TFormConfig FormConfig(std::move(environment));
    const TFormProgress FormProgress(FormConfig.window(), "Please wait...", true);
    const TFormPassword FormPassword{PasswordDialogTexts{}};
    const TFormSettings FormSettings{MakePropertiesContent(ConfigRecord{})};

    FormConfig.show();
    MSG message;
    while (FormConfig.isOpen() && ::GetMessageA(&message, nullptr, 0, 0) > 0) {
        // The dialog keys on the main window: Tab and Shift+Tab through the page. No
        // control has an access key, so Alt+letter still opens the menus.
        if (::IsDialogMessageA(FormConfig.window(), &message)) {
            FormConfig.revealFocus();
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

} // namespace

int RunKovrin(const std::vector<std::string>& arguments, LinkService& links)
{
    return RunProgram(arguments, links, {[](const MessageBoxSpec& box) { ShowMessageBox(box); }, RunForms});
}

} // namespace kovrin::win32
