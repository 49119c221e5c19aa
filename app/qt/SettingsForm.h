#pragma once
// TFormSettings ("Properties"): the identification and nominal data of the record on
// show, in read-only fields. It changes nothing.
#include "app/logic/PropertiesDialog.h"

#include <QDialog>

class QLineEdit;
class QPushButton;
class QTabWidget;

namespace kovrin {

class TFormSettings : public QDialog {
    Q_OBJECT
public:
    explicit TFormSettings(const PropertiesContent& content, QWidget* parent = nullptr);

    QTabWidget* PageControl;
    QPushButton* BtnClose;
    QLineEdit* field(std::string_view editName) const;

protected:
    void showEvent(QShowEvent* event) override;  // FormShow: focus on BtnClose

private:
    void BtnCloseClick() { accept(); }
};

} // namespace kovrin
