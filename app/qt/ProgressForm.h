#pragma once
// TFormProgress: a text and a bar shown while a command runs on the window's thread.
// It asks for no border icons; only the command that drives it closes it.
#include "app/logic/MainView.h"

#include <QDialog>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kovrin {

class TFormProgress : public QDialog {
    Q_OBJECT
public:
    // The text is the caption and Label1's text; BtnCancel shows only with `cancelButton`.
    TFormProgress(const QString& text, bool cancelButton, QWidget* parent = nullptr);

    bool Cancelled() const { return cancelled_; }

    QLabel* Label1;
    QProgressBar* ProgressBar1;
    QPushButton* BtnCancel;

protected:
    // Some window managers (openbox) draw close and minimise boxes whatever the hints say,
    // and Alt+F4 asks to close any window: the dialog ignores both, and Esc, until the
    // command ends.
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void reject() override {}

private:
    void BtnCancelClick() { cancelled_ = true; }
    bool cancelled_ = false;
};

// The logic's handle on one progress dialog. The commands block the event loop; while
// the dialog lives, user input to it and to `blocked` (the main window) is dropped, not
// held back for later: repaint() runs the queue with input discarded, and so does the
// end, before the window takes input again. Message boxes of the command stay usable.
class ProgressAdapter final : public ProgressView {
public:
    explicit ProgressAdapter(TFormProgress* form, QWidget* blocked = nullptr);
    ~ProgressAdapter() override;  // deferred destruction of the dialog; `blocked` active again

    void setRange(int minimum, int maximum) override;
    void setPosition(int position) override;
    void setBarVisible(bool visible) override;
    void setLabel(const std::string& text) override;
    void show() override;
    void repaint() override;

private:
    class InputDrop;
    TFormProgress* form_;
    QWidget* blocked_;
    std::unique_ptr<InputDrop> drop_;
};

} // namespace kovrin
