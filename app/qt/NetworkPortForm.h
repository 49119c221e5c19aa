#pragma once
// TFormNetworkPort: asks for a network port name, offering the last ones used. Enter
// confirms (BtnOk is the default).
#include "app/logic/NetworkPortDialog.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace kovrin {

class TFormNetworkPort : public QDialog {
public:
    // `entry` receives the text when the user confirms.
    TFormNetworkPort(const NetworkPortDialogTexts& texts, QString* entry, QWidget* parent = nullptr);

    QLabel* LabelNetworkPort;
    QComboBox* ComboNetworkPort;
    QPushButton* BtnOk;
    QPushButton* BtnCancel;

private:
    QString* entry_;
};

} // namespace kovrin
