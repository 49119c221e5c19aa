#include "app/qt/LomarForm.h"

#include "app/qt/CompareForm.h"

#include "app/logic/HandlerGuard.h"
#include "app/qt/ActionBars.h"
#include "app/qt/BasicPage.h"
#include "app/qt/FormStyle.h"
#include "app/qt/NetworkPortForm.h"
#include "app/qt/PasswordForm.h"
#include "app/qt/ProgressForm.h"
#include "app/qt/SettingsForm.h"
#include "app/qt/StatusPanel.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QTabBar>
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
    guard_.run(std::forward<F>(handler), [this](const std::string& message) { showException(message); });
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
    // One page: its tab is no stop for Tab, which walks through the page's controls.
    pageControl_->setFocusPolicy(Qt::NoFocus);
    pageControl_->tabBar()->setFocusPolicy(Qt::NoFocus);
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
    if (!guard_.firstShow())
        return;
    guarded([this] { logic_->FormShow(); });
    apply(logic_->state());
    page_->refreshChanged();
}

void TFormConfig::closeEvent(QCloseEvent* event)
{
    if (!guard_.closeAllowed()) {
        event->ignore();
        return;
    }
    guarded([this] { logic_->FormClose(); });
    event->accept();
}

void TFormConfig::reactivate()
{
    // The message boxes have no owner: nothing brings the window back by itself. It
    // takes the focus back to the control that had it.
    if (isVisible()) {
        activateWindow();
        raise();
    }
}

MessageResult TFormConfig::showMessage(const MessageBoxSpec& box)
{
    const MessageResult result = ShowMessageBox(box);
    reactivate();
    return result;
}

std::optional<std::string> TFormConfig::runOpenDialog(const FileDialogSpec& dialog)
{
    auto chosen = openDialog_.run(dialog);
    reactivate();
    return chosen;
}

std::optional<std::string> TFormConfig::runSaveDialog(const FileDialogSpec& dialog)
{
    auto chosen = saveDialog_.run(dialog);
    reactivate();
    return chosen;
}

std::unique_ptr<ProgressView> TFormConfig::createProgress(const std::string& text, bool cancelButton)
{
    // Transient for the window, so it stays above it while the command runs; released
    // by the adapter, not with the window.
    return std::make_unique<ProgressAdapter>(new TFormProgress(QString::fromStdString(text), cancelButton, this), this);
}

std::optional<std::string> TFormConfig::runPasswordDialog(const PasswordDialogTexts& texts)
{
    QString entry;
    TFormPassword dialog(texts, &entry);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    reactivate();
    if (!accepted)
        return std::nullopt;
    return entry.toStdString();
}

std::optional<std::string> TFormConfig::runNetworkPortDialog(const NetworkPortDialogTexts& texts)
{
    QString entry;
    TFormNetworkPort dialog(texts, &entry, this);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    reactivate();
    if (!accepted)
        return std::nullopt;
    return entry.toStdString();
}

void TFormConfig::showComparison(const CompareContent& content)
{
    runComparison(content);
}

CompareChoice TFormConfig::runComparison(const CompareContent& content)
{
    TFormCompare dialog(content, this);
    CompareChoice choice;
    choice.upload = dialog.exec() == QDialog::Accepted;
    if (choice.upload)
        choice.words = dialog.tickedWords();
    reactivate();
    return choice;
}

void TFormConfig::runPropertiesDialog(const PropertiesContent& content)
{
    TFormSettings dialog(content, this);
    dialog.exec();
    reactivate();
}

void TFormConfig::showException(const std::string& message)
{
    ShowExceptionBox(message);
    reactivate();
}

void TFormConfig::focusControl(std::string_view name)
{
    if (auto* w = findChild<QWidget*>(QString::fromUtf8(name.data(), qsizetype(name.size()))))
        w->setFocus();
}

void TFormConfig::closeWindow()
{
    guard_.closeByCommand([this] { close(); });
}

} // namespace kovrin
