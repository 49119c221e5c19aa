#include "app/qt/NetworkPortForm.h"

#include "app/qt/FormStyle.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kovrin {

namespace {
QString Text(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
} // namespace

TFormNetworkPort::TFormNetworkPort(const NetworkPortDialogTexts& texts, QString* entry, QWidget* parent)
    : QDialog(parent, kCloseOnlyDialogFlags | Qt::MSWindowsFixedSizeDialogHint),
      LabelNetworkPort(new QLabel(Text(texts.prompt), this)),
      ComboNetworkPort(new QComboBox(this)),
      BtnOk(new QPushButton(NamedImage(QStringLiteral("BtnOk")), Text(texts.btnOk), this)),
      BtnCancel(new QPushButton(NamedImage(QStringLiteral("BtnCancel")), Text(texts.btnCancel), this)),
      entry_(entry)
{
    setObjectName(QStringLiteral("FormNetworkPort"));
    setWindowTitle(Text(texts.caption));
    setFont(FormFont());
    setFixedSize(420, 100);
    LabelNetworkPort->setObjectName(QStringLiteral("LabelNetworkPort"));
    LabelNetworkPort->move(8, 8);
    LabelNetworkPort->adjustSize();
    LabelNetworkPort->setBuddy(ComboNetworkPort);
    ComboNetworkPort->setObjectName(QStringLiteral("ComboNetworkPort"));
    ComboNetworkPort->setEditable(true);
    ComboNetworkPort->setInsertPolicy(QComboBox::NoInsert);
    ComboNetworkPort->setGeometry(8, 28, 404, 23);
    for (const std::string& name : texts.recent)
        ComboNetworkPort->addItem(QString::fromStdString(name));
    ComboNetworkPort->setEditText(QString::fromStdString(texts.initial));
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setGeometry(244, 68, 81, 25);
    BtnOk->setDefault(true);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(331, 68, 81, 25);
    connect(BtnOk, &QPushButton::clicked, this, [this] {
        if (entry_ != nullptr)
            *entry_ = ComboNetworkPort->currentText();
        accept();
    });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { reject(); });
    ComboNetworkPort->setFocus();
}

} // namespace kovrin
