#include "app/qt/ProgressForm.h"

#include "app/qt/FormStyle.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

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

ProgressAdapter::~ProgressAdapter()
{
    form_->hide();
    form_->deleteLater();
}

void ProgressAdapter::setRange(int minimum, int maximum) { form_->ProgressBar1->setRange(minimum, maximum); }

void ProgressAdapter::setPosition(int position) { form_->ProgressBar1->setValue(position); }

void ProgressAdapter::setBarVisible(bool visible) { form_->ProgressBar1->setVisible(visible); }

void ProgressAdapter::setLabel(const std::string& text) { form_->Label1->setText(QString::fromStdString(text)); }

void ProgressAdapter::show()
{
    form_->setModal(false);
    form_->show();
}

void ProgressAdapter::repaint()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    form_->Label1->repaint();
    form_->ProgressBar1->repaint();
}

} // namespace kovrin
