#include "app/qt/SettingsForm.h"

#include "app/qt/FormStyle.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kovrin {

namespace {
QString Text(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
} // namespace

TFormSettings::TFormSettings(const PropertiesContent& content, QWidget* parent)
    : QDialog(parent, kCloseOnlyDialogFlags | Qt::MSWindowsFixedSizeDialogHint),
      PageControl(new QTabWidget(this)),
      BtnClose(new QPushButton(NamedImage(QStringLiteral("BtnClose")), Text(content.texts.btnClose), this))
{
    setObjectName(QStringLiteral("FormSettings"));
    setWindowTitle(Text(content.texts.caption));
    setFont(FormFont());
    setFixedSize(408, 459);

    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("NominalTab"));
    auto* column = new QVBoxLayout(tab);
    column->setContentsMargins(10, 10, 10, 10);
    column->setSpacing(10);
    QGridLayout* form = nullptr;
    int row = 0;
    std::string_view group;
    for (std::size_t i = 0; i < kPropertiesFields.size(); ++i) {
        const PropertiesField& f = kPropertiesFields[i];
        if (form == nullptr || f.group != group) {
            group = f.group;
            auto* box = new QGroupBox(Text(f.group), tab);
            form = new QGridLayout(box);
            row = 0;
            form->setContentsMargins(12, 10, 12, 12);
            form->setVerticalSpacing(8);
            // One caption width for all three boxes keeps the fields in one column.
            form->setColumnMinimumWidth(0, 150);
            form->setColumnStretch(1, 1);
            column->addWidget(box);
        }
        auto* edit = new QLineEdit(Text(content.values[i]), tab);
        edit->setObjectName(Text(f.edit));
        edit->setReadOnly(true);
        edit->setFixedWidth(190);
        edit->setCursorPosition(0);
        auto* caption = new QLabel(Text(f.caption));
        caption->setBuddy(edit);
        // Named by its caption, not by its group's title.
        edit->setAccessibleName(caption->text());
        form->addWidget(caption, row, 0);
        form->addWidget(edit, row++, 1, Qt::AlignLeft);
    }
    column->addStretch(1);
    PageControl->setObjectName(QStringLiteral("PageControl1"));
    PageControl->addTab(tab, Text(content.texts.tab));
    tab->setAccessibleName(Text(content.texts.tab));
    PageControl->setGeometry(8, 8, 392, 406);

    BtnClose->setObjectName(QStringLiteral("BtnClose"));
    BtnClose->setGeometry(319, 426, 81, 25);
    BtnClose->setDefault(true);
    connect(BtnClose, &QPushButton::clicked, this, [this] { BtnCloseClick(); });
    // Centred on the main window when there is one, else on the primary screen.
    if (parent != nullptr)
        move(parent->window()->frameGeometry().center() - rect().center());
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QLineEdit* TFormSettings::field(std::string_view editName) const
{
    return findChild<QLineEdit*>(Text(editName));
}

void TFormSettings::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    BtnClose->setFocus();
}

} // namespace kovrin
