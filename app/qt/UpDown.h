#pragma once
// The arrows of an up-down control. It holds no position of its own: each click is
// reported as a step of +1 or -1, and the editor model decides what follows. The buddy
// edit beside it shows the position.
#include <QWidget>

class QToolButton;

namespace kovrin {

class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);

signals:
    void stepped(int direction);

private:
    QToolButton* up_;
    QToolButton* down_;
};

} // namespace kovrin
