#pragma once
// Panel2, the status bar: connection, access level and data source, each a zone with
// its pictures on one spot and a label, separated by raised bevels.
#include "app/logic/MainWindowState.h"

#include <QFrame>

class QLabel;

namespace kovrin {

class StatusPanel : public QFrame {
    Q_OBJECT
public:
    explicit StatusPanel(QWidget* parent = nullptr);
    void apply(const StatusBarState& status);

private:
    QLabel* image(const char* name) const;
    QLabel* label(const char* name) const;
};

} // namespace kovrin
