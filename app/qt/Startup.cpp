#include "app/qt/Startup.h"

#include "app/logic/ProgramRun.h"
#include "app/logic/WindowTexts.h"
#include "app/qt/Dialogs.h"
#include "app/qt/FocusStyle.h"
#include "app/qt/LomarForm.h"
#include "app/qt/PasswordForm.h"
#include "app/qt/PictureCheck.h"
#include "app/qt/ProgressForm.h"
#include "app/qt/SettingsForm.h"

#include <QApplication>
#include <QStyle>
#include <memory>
#include <string>
#include <vector>

namespace kovrin {

namespace {

// The four forms, owned by the application for the whole run.
struct Forms {
    std::unique_ptr<TFormConfig> FormConfig;
    std::unique_ptr<TFormProgress> FormProgress;
    std::unique_ptr<TFormPassword> FormPassword;
    std::unique_ptr<TFormSettings> FormSettings;
};

void RunForms(WindowEnvironment environment)
{
    Forms forms;
    forms.FormConfig = std::make_unique<TFormConfig>(std::move(environment));
    // The dialogs stay hidden: every command makes a fresh one of its own.
    forms.FormProgress = std::make_unique<TFormProgress>(QStringLiteral("Please wait..."), true);
    forms.FormPassword = std::make_unique<TFormPassword>(PasswordDialogTexts{}, nullptr);
    forms.FormSettings = std::make_unique<TFormSettings>(MakePropertiesContent(ConfigRecord{}));
    forms.FormConfig->show();
    if (PictureCheckRequested())
        SchedulePictureCheck(*forms.FormConfig);
    QApplication::exec();
}

} // namespace

int RunKovrin(int argc, char** argv, LinkService& links)
{
    // The toolkit takes its own options out of argv: the program's first argument is
    // read from a copy made before.
    const std::vector<std::string> arguments(argv, argv + argc);
    QApplication app(argc, argv);
    QApplication::setStyle(new FocusStyle(QApplication::style()->name()));
    QApplication::setApplicationName(QString::fromUtf8(text::kProductName.data(), qsizetype(text::kProductName.size())));
    return RunProgram(arguments, links, {[](const MessageBoxSpec& box) { ShowMessageBox(box); }, RunForms});
}

} // namespace kovrin
