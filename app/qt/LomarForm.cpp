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
#include "platform/WaitHook.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <algorithm>
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
    // A command's long waits repaint the window; input waits for the progress dialog's
    // filter, which drops it.
    const ScopedWaitHook repaint([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    // Shown through the logic's view, so a scripted run prints it instead.
    guard_.run(std::forward<F>(handler),
               [this](const std::string& message) { logic_->view().showException(message); });
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
    page_->setAccessibleName(pageControl_->tabText(0));
    apply(logic_->state());
    page_->refreshAll();

    fitScreen();
}

void TFormConfig::fitScreen()
{
    // The screen under the mouse, else the primary one; the window opens at the top left
    // corner of its work area and never reaches past it. A smaller frame than the form's
    // own size scrolls the page; at full size nothing changes.
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    QSize size(kClientWidth, kClientHeight);
    QPoint at(0, 0);
    if (screen != nullptr) {
        const QRect work = screen->availableGeometry();
        // Title bar and borders: known once the window manager framed the window; before,
        // the style's title bar height is the best guess.
        QSize frame = frameGeometry().size() - geometry().size();
        if (frame.isEmpty())
            frame = QSize(2, style()->pixelMetric(QStyle::PM_TitleBarHeight) + 6);
        const QSize room = work.size() - frame;
        // A page that scrolls up and down needs its scroll bar's width beside it.
        if (size.height() > room.height())
            size.rwidth() += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        size = size.boundedTo(room);
        at = work.topLeft();
    }
    setFixedSize(size);
    // At the form's own size the page is laid out as it always was, without scroll bars.
    const bool whole = size.width() >= kClientWidth && size.height() >= kClientHeight;
    if (auto* scroller = findChild<QScrollArea*>(QStringLiteral("PageScroller"))) {
        scroller->setHorizontalScrollBarPolicy(whole ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
        scroller->setVerticalScrollBarPolicy(whole ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    }
    if (!placed_) {
        move(at);
        placed_ = true;
    } else if (screen != nullptr) {
        // Pushed back inside the work area when the frame turned out larger than guessed.
        const QRect work = screen->availableGeometry();
        QRect outer = frameGeometry();
        if (!work.contains(outer))
            move(std::clamp(outer.left(), work.left(), std::max(work.left(), work.right() - outer.width() + 1)),
                 std::clamp(outer.top(), work.top(), std::max(work.top(), work.bottom() - outer.height() + 1)));
    }
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
    // The page scrolls when the screen is smaller than the form.
    auto* scroller = new QScrollArea(central);
    scroller->setObjectName(QStringLiteral("PageScroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setFocusPolicy(Qt::NoFocus);
    auto* panel1 = new QWidget;
    panel1->setObjectName(QStringLiteral("Panel1"));
    panel1->setFixedHeight(kPanel1Height);
    panel1->setMinimumWidth(kClientWidth);
    // Scrolls only below the form's own size, whatever the controls' layout would ask for
    // (the Service level's controls ask a little more than the form gives them).
    panel1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
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
    scroller->setWidget(panel1);
    column->addWidget(scroller, 1);
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
    // The frame's real size is known now; a second look once the window manager has
    // drawn it.
    fitScreen();
    QTimer::singleShot(200, this, [this] { fitScreen(); });
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
    auto chosen = openDialog_.run(dialog, this);
    reactivate();
    return chosen;
}

std::optional<std::string> TFormConfig::runSaveDialog(const FileDialogSpec& dialog)
{
    auto chosen = saveDialog_.run(dialog, this);
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
    TFormPassword dialog(texts, &entry, this);
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
