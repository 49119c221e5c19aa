// The dialogs' own wiring and the translation of the logic's dialog requests.
#include "QtFixture.h"

#include "app/qt/Dialogs.h"
#include "app/qt/PasswordForm.h"
#include "app/qt/ProgressForm.h"
#include "app/qt/SettingsForm.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>

namespace kovrin::test {
namespace {

TEST(FileDialogSpec, FilterAndExtensionInTheToolkitsNotation)
{
    const struct {
        std::string filter;
        QString expected;
    } filters[] = {
        {"ATS Configuration file (.kvnf) | *.kvnf", "ATS Configuration file (.kvnf) (*.kvnf)"},
        {"Text|*.txt|All|*.*", "Text (*.txt);;All (*.*)"},
        {"", ""},
    };
    for (const auto& f : filters)
        EXPECT_EQ(ToQtFilter(f.filter), f.expected) << f.filter;

    // The extension is given with its wildcard; the suffix a typed name gets must not
    // carry it, or saving "a" would write "a.*.kvnf".
    for (auto [ext, suffix] : {std::pair{"*.kvnf", "kvnf"}, {".kvnf", "kvnf"}, {"kvnf", "kvnf"}, {"", ""}})
        EXPECT_EQ(ToDefaultSuffix(ext), suffix) << ext;
}

TEST(FormProgress, LayoutTextAndNoCloseBox)
{
    TestApp();
    TFormProgress progress(QStringLiteral("Configuration records downloading"), false);
    EXPECT_EQ(progress.size(), QSize(412, 81));
    EXPECT_EQ(progress.windowTitle(), "Configuration records downloading");
    EXPECT_EQ(progress.Label1->text(), "Configuration records downloading");
    EXPECT_FALSE(progress.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(progress.BtnCancel->isVisibleTo(&progress));
    EXPECT_EQ(progress.ProgressBar1->geometry(), QRect(16, 26, 385, 17));

    TFormProgress cancellable(QStringLiteral("x"), true);
    EXPECT_TRUE(cancellable.BtnCancel->isVisibleTo(&cancellable));
    EXPECT_FALSE(cancellable.Cancelled());
    cancellable.BtnCancel->click();
    EXPECT_TRUE(cancellable.Cancelled());
}

TEST(FormProgress, AdapterDrivesTheBarAndReleasesTheDialog)
{
    TestApp();
    QPointer<TFormProgress> form = new TFormProgress(QStringLiteral("t"), false);
    {
        ProgressAdapter progress(form);
        progress.setRange(0, 10);
        progress.setPosition(4);
        progress.setBarVisible(false);
        progress.setLabel("Please wait ...  configuration records downloading");
        progress.show();
        progress.repaint();
        // The window manager's close box or Alt+F4 during the command: the dialog stays.
        EXPECT_FALSE(form->close());
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->ProgressBar1->maximum(), 10);
        EXPECT_EQ(form->ProgressBar1->value(), 4);
        EXPECT_FALSE(form->ProgressBar1->isVisibleTo(form));
        EXPECT_EQ(form->Label1->text(), "Please wait ...  configuration records downloading");
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
}

TEST(Dialogs, BorderButtonsAreCloseAtMost)
{
    TestApp();
    TFormProgress progress(QStringLiteral("t"), false);
    TFormPassword password(PasswordDialogTexts{}, nullptr);
    TFormSettings settings{PropertiesContent{}};
    const struct {
        QWidget* dialog;
        bool close;
    } rows[] = {{&progress, false}, {&password, true}, {&settings, true}};
    for (const auto& row : rows) {
        const Qt::WindowFlags flags = row.dialog->windowFlags();
        SCOPED_TRACE(row.dialog->objectName().toStdString());
        EXPECT_TRUE(flags & Qt::CustomizeWindowHint);  // else the window manager adds its own
        EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        EXPECT_EQ(bool(flags & Qt::WindowCloseButtonHint), row.close);
    }
}

TEST(FormPassword, OkCopiesTheEntryCancelDoesNot)
{
    TestApp();
    const struct {
        const char* button;
        int result;
        QString entry;
    } cases[] = {{"BtnOk", QDialog::Accepted, "Tovel_marsk "}, {"BtnCancel", QDialog::Rejected, "unchanged"}};
    for (const auto& c : cases) {
        QString entry = "unchanged";
        TFormPassword dialog(PasswordDialogTexts{}, &entry);
        EXPECT_EQ(dialog.windowTitle(), "Password");
        EXPECT_EQ(dialog.LabelPassword->text(), "Insert password for service level");
        EXPECT_TRUE(dialog.BtnOk->isDefault());
        EXPECT_TRUE(dialog.EditPassword->text().isEmpty());
        dialog.EditPassword->setText("Tovel_marsk ");
        dialog.findChild<QPushButton*>(c.button)->click();
        EXPECT_EQ(dialog.result(), c.result) << c.button;
        EXPECT_EQ(entry, c.entry) << c.button;
    }
}

TEST(FormSettings, ShowsTheComputedFieldsReadOnly)
{
    TestApp();
    PropertiesContent content;
    for (std::size_t i = 0; i < content.values.size(); ++i)
        content.values[i] = "value " + std::to_string(i);
    TFormSettings dialog(content);
    EXPECT_EQ(dialog.windowTitle(), "Properties");
    EXPECT_EQ(dialog.size(), QSize(408, 459));
    EXPECT_EQ(dialog.PageControl->tabText(0), "Nominal Data");
    EXPECT_EQ(dialog.PageControl->widget(0)->objectName(), "NominalTab");
    for (std::size_t i = 0; i < kPropertiesFields.size(); ++i) {
        QLineEdit* edit = dialog.field(kPropertiesFields[i].edit);
        ASSERT_NE(edit, nullptr) << kPropertiesFields[i].edit;
        EXPECT_TRUE(edit->isReadOnly());
        EXPECT_EQ(edit->text().toStdString(), content.values[i]);
    }
    QStringList groups;
    for (auto* box : dialog.findChildren<QGroupBox*>())
        groups << box->title();
    EXPECT_EQ(groups, (QStringList{"ATS identification ", " Nominal data ", "ATS type "}));
    EXPECT_TRUE(dialog.BtnClose->isDefault());
}

} // namespace
} // namespace kovrin::test
