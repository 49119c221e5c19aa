#pragma once
// TFormPassword: asks for the service password. Enter confirms (BtnOk is the default).
#include "app/logic/PasswordDialog.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kovrin {

class TFormPassword : public QDialog {
    Q_OBJECT
public:
    // `entry` receives the text when the user confirms.
    TFormPassword(const PasswordDialogTexts& texts, QString* entry, QWidget* parent = nullptr);

    QLabel* LabelPassword;
    QLineEdit* EditPassword;
    QPushButton* BtnOk;
    QPushButton* BtnCancel;

protected:
    void showEvent(QShowEvent* event) override;  // FormShow: focus into the entry

private:
    void BtnOkClick();
    void BtnCancelClick() { reject(); }
    QString* entry_;
};

} // namespace kovrin
