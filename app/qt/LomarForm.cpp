#include "app/qt/LomarForm.h"

#include "app/qt/CompareForm.h"

#include "app/logic/HandlerGuard.h"
#include "app/qt/ActionBars.h"
#include "app/qt/BasicPage.h"
#include "app/qt/FormStyle.h"
#include "app/qt/PasswordForm.h"
#include "app/qt/ProgressForm.h"
#include "app/qt/SettingsForm.h"
#include "app/qt/StatusPanel.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <exception>

namespace kovrin {

namespace {
// Client area and the heights of the three bands, as the window's resource has them.
constexpr int kClientWidth = 801;
constexpr int kClientHeight = 607;
constexpr int kCoolBarHeight = 56;
constexpr int kPanel1Height = 529;
} // namespace

template <typename F>
void TFormConfig::guarded(F&& handler)
{
    RunGuarded(running_, std::forward<F>(handler), [this](const std::string& message) { showException(message); });
}

TFormConfig::TFormConfig(WindowEnvironment environment, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FormConfig"));
    setFont(FormFont());
    setWindowIcon(NamedImage(QStringLiteral("Application")));
    buildFrame();
    logic_ = std::make_unique<FormConfigLogic>(*this, std::move(environment));

    page_ = new BasicPage(logic_->editor(), [this] { guarded([this] { logic_->Button1Click(); }); });
    pageControl_->addTab(page_, QStringLiteral("Basic"));
    apply(logic_->state());
    page_->refreshAll();

    setFixedSize(kClientWidth, kClientHeight);
    move(0, 0);  // opens at the top left corner of the screen
}

TFormConfig::~TFormConfig() = default;

void TFormConfig::buildFrame()
{
    bars_ = std::make_unique<ActionBars>(this, [this](ActionId id) { guarded([this, id] { logic_->RunAction(id); }); });

    auto* coolBar = new QWidget(this);
    coolBar->setObjectName(QStringLiteral("MainCoolBar"));
    coolBar->setFixedHeight(kCoolBarHeight);
    auto* bands = new QVBoxLayout(coolBar);
    bands->setContentsMargins(0, 0, 0, 0);
    bands->setSpacing(0);
    bands->addWidget(bars_->buildMenuBar(coolBar));
    bars_->onMenuOpening(kConnectionMenu, [this] { guarded([this] { logic_->ConnectionMenuPopup(); }); });
    bands->addWidget(bars_->buildToolBar(coolBar));
    bands->addStretch(1);
    setMenuWidget(coolBar);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* panel1 = new QWidget(central);
    panel1->setObjectName(QStringLiteral("Panel1"));
    panel1->setFixedHeight(kPanel1Height);
    auto* inner = new QVBoxLayout(panel1);
    inner->setContentsMargins(4, 2, 4, 4);
    pageControl_ = new QTabWidget(panel1);
    pageControl_->setObjectName(QStringLiteral("PageControl1"));
    pageControl_->setDocumentMode(false);
    pageControl_->hide();
    inner->addWidget(pageControl_);
    column->addWidget(panel1);
    column->addStretch(1);
    status_ = new StatusPanel(central);
    column->addWidget(status_);
    setCentralWidget(central);
}

QAction* TFormConfig::action(ActionId id) const { return bars_->action(id); }

void TFormConfig::apply(const MainWindowState& state)
{
    setWindowTitle(QString::fromStdString(state.caption));
    bars_->apply(state);
    status_->apply(state.status);
    pageControl_->setVisible(state.pageVisible);
}

void TFormConfig::stateChanged(const MainWindowState& state)
{
    // The logic reports from inside its constructor, before the page exists.
    if (logic_ == nullptr || page_ == nullptr)
        return;
    apply(state);
    page_->refreshChanged();
}

void TFormConfig::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    guarded([this] { logic_->FormShow(); });
    apply(logic_->state());
    page_->refreshChanged();
}

void TFormConfig::closeEvent(QCloseEvent* event)
{
    // A download repaints its progress dialog and so lets the close box through: closing
    // then would disconnect under the running transfer. The close waits for the user's
    // next try; Exit itself closes from inside its handler and is let through.
    if (running_ > 0 && !closeByCommand_) {
        event->ignore();
        return;
    }
    guarded([this] { logic_->FormClose(); });
    event->accept();
}

MessageResult TFormConfig::showMessage(const MessageBoxSpec& box) { return ShowMessageBox(box); }

std::optional<std::string> TFormConfig::runOpenDialog(const FileDialogSpec& dialog) { return openDialog_.run(dialog); }

std::optional<std::string> TFormConfig::runSaveDialog(const FileDialogSpec& dialog) { return saveDialog_.run(dialog); }

std::unique_ptr<ProgressView> TFormConfig::createProgress(const std::string& text, bool cancelButton)
{
    // Transient for the window, so it stays above it while the command runs; released
    // by the adapter, not with the window.
    return std::make_unique<ProgressAdapter>(new TFormProgress(QString::fromStdString(text), cancelButton, this));
}

std::optional<std::string> TFormConfig::runPasswordDialog(const PasswordDialogTexts& texts)
{
    QString entry;
    TFormPassword dialog(texts, &entry);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return entry.toStdString();
}

void TFormConfig::showComparison(const CompareContent& content)
{
    TFormCompare dialog(content, this);
    dialog.exec();
}

void TFormConfig::runPropertiesDialog(const PropertiesContent& content)
{
    TFormSettings dialog(content, this);
    dialog.exec();
}

void TFormConfig::showException(const std::string& message) { ShowExceptionBox(message); }

void TFormConfig::focusControl(std::string_view name)
{
    if (auto* w = findChild<QWidget*>(QString::fromUtf8(name.data(), qsizetype(name.size()))))
        w->setFocus();
}

void TFormConfig::closeWindow()
{
    closeByCommand_ = true;
    close();
    closeByCommand_ = false;
}

} // namespace kovrin
