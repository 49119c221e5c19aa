#include "app/qt/ProgressForm.h"

#include "app/qt/FormStyle.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

namespace kovrin {

TFormProgress::TFormProgress(const QString& text, bool cancelButton, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      Label1(new QLabel(text, this)),
      ProgressBar1(new QProgressBar(this)),
      BtnCancel(new QPushButton(NamedImage(QStringLiteral("BtnCancel")), tr("Cancel"), this))
{
    setObjectName(QStringLiteral("FormProgress"));
    setWindowTitle(text);
    setFont(FormFont());
    setFixedSize(412, 81);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(16, 8, 385, 16);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setAccessibleName(text);
    ProgressBar1->setGeometry(16, 26, 385, 17);
    ProgressBar1->setRange(0, 16);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(312, 49, 89, 25);
    BtnCancel->setVisible(cancelButton);
    connect(BtnCancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TFormProgress::closeEvent(QCloseEvent* event) { event->ignore(); }

void TFormProgress::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized())
        return;
    // Restored once the window manager has finished minimising; a dialog already hidden
    // by the end of its command stays hidden.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isVisible() && isMinimized())
                setWindowState(windowState() & ~Qt::WindowMinimized);
        },
        Qt::QueuedConnection);
}

namespace {

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

} // namespace

class ProgressAdapter::InputDrop final : public QObject {
public:
    InputDrop(QWidget* first, QWidget* second) : windows_{first, second} { qApp->installEventFilter(this); }
    ~InputDrop() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* target, QEvent* event) override
    {
        if (!IsUserInput(event->type()) || !blocks(target))
            return false;
        // An accepted override keeps the key from running a shortcut instead.
        if (event->type() == QEvent::ShortcutOverride)
            event->accept();
        return true;
    }

private:
    bool blocks(QObject* target) const
    {
        for (QWidget* window : windows_) {
            if (window == nullptr)
                continue;
            if (auto* widget = qobject_cast<QWidget*>(target); widget != nullptr && widget->window() == window)
                return true;
            if (target == static_cast<QObject*>(window->windowHandle()))
                return true;
        }
        return false;
    }

    QWidget* windows_[2];
};

ProgressAdapter::ProgressAdapter(TFormProgress* form, QWidget* blocked)
    : form_(form), blocked_(blocked), drop_(std::make_unique<InputDrop>(form, blocked))
{
    // Busy, but the dialog's Cancel still takes a click.
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
}

ProgressAdapter::~ProgressAdapter()
{
    // Input that came in since the last repaint is read and dropped here, still filtered.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    drop_.reset();
    QGuiApplication::restoreOverrideCursor();
    form_->hide();
    form_->deleteLater();
    if (blocked_ != nullptr) {
        blocked_->activateWindow();
        blocked_->raise();
    }
}

void ProgressAdapter::setRange(int minimum, int maximum) { form_->ProgressBar1->setRange(minimum, maximum); }

void ProgressAdapter::setPosition(int position) { form_->ProgressBar1->setValue(position); }

void ProgressAdapter::setBarVisible(bool visible) { form_->ProgressBar1->setVisible(visible); }

void ProgressAdapter::setLabel(const std::string& text)
{
    form_->Label1->setText(QString::fromStdString(text));
    form_->ProgressBar1->setAccessibleName(form_->Label1->text());
}

void ProgressAdapter::show()
{
    form_->setModal(false);
    form_->show();
}

void ProgressAdapter::repaint()
{
    // Also keeps the window manager from taking the window for hung.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    form_->Label1->repaint();
    form_->ProgressBar1->repaint();
}

} // namespace kovrin
