#include "app/qt/PasswordForm.h"

#include "app/qt/FormStyle.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace kovrin {

namespace {
QString Text(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
} // namespace

TFormPassword::TFormPassword(const PasswordDialogTexts& texts, QString* entry, QWidget* parent)
    : QDialog(parent, kCloseOnlyDialogFlags | Qt::MSWindowsFixedSizeDialogHint),
      LabelPassword(new QLabel(Text(texts.labelPassword), this)),
      EditPassword(new QLineEdit(this)),
      BtnOk(new QPushButton(NamedImage(QStringLiteral("BtnOk")), Text(texts.btnOk), this)),
      BtnCancel(new QPushButton(NamedImage(QStringLiteral("BtnCancel")), Text(texts.btnCancel), this)),
      entry_(entry)
{
    setObjectName(QStringLiteral("FormPassword"));
    setWindowTitle(Text(texts.caption));
    setFont(FormFont());
    setFixedSize(228, 118);
    LabelPassword->setObjectName(QStringLiteral("LabelPassword"));
    LabelPassword->move(8, 8);
    LabelPassword->adjustSize();
    EditPassword->setObjectName(QStringLiteral("EditPassword"));
    EditPassword->setGeometry(8, 23, 212, 21);
    EditPassword->setEchoMode(QLineEdit::Password);
    LabelPassword->setBuddy(EditPassword);
    EditPassword->setAccessibleName(LabelPassword->text());
    // Every character shows as the echo character, whatever the style would draw.
    EditPassword->setStyleSheet(QStringLiteral("lineedit-password-character: %1;").arg(int(texts.echoCharacter)));
    EditPassword->clear();
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setGeometry(51, 89, 81, 25);
    BtnOk->setDefault(true);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(138, 89, 81, 25);
    connect(BtnOk, &QPushButton::clicked, this, [this] { BtnOkClick(); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });
    // Centred on the main window when there is one, else on the primary screen.
    if (parent != nullptr)
        move(parent->window()->frameGeometry().center() - rect().center());
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TFormPassword::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    EditPassword->setFocus();
}

void TFormPassword::BtnOkClick()
{
    if (entry_ != nullptr)
        *entry_ = EditPassword->text();
    accept();
}

} // namespace kovrin
