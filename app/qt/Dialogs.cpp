#include "app/qt/Dialogs.h"

#include "app/logic/WindowTexts.h"

#include "app/qt/FormStyle.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace kovrin {

namespace {

QMessageBox::Icon ToQt(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageResult ShowMessageBox(const MessageBoxSpec& box)
{
    const bool yesNo = box.buttons == MessageButtons::YesNo;
    QMessageBox mb(ToQt(box.icon), QString::fromStdString(box.title), QString::fromStdString(box.text),
                   yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok);
    mb.setObjectName(QStringLiteral("MessageBox"));
    mb.setFont(FormFont());
    mb.setWindowModality(Qt::ApplicationModal);
    mb.setWindowFlags(kCloseOnlyDialogFlags);
    mb.setDefaultButton(yesNo ? QMessageBox::Yes : QMessageBox::Ok);
    // A box during a command (its progress dialog still up) is answered with the arrow.
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = mb.exec();
    if (busy)
        QGuiApplication::restoreOverrideCursor();
    if (!yesNo)
        return MessageResult::Ok;
    return answer == QMessageBox::Yes ? MessageResult::Yes : MessageResult::No;
}

void ShowExceptionBox(const std::string& message)
{
    // Exceptions carry no title of their own: the box is the program's.
    ShowMessageBox({std::string(text::kProductName), message, MessageIcon::Error, MessageButtons::Ok});
}

QString ToQtFilter(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i].trimmed() + QStringLiteral(" (") + parts[i + 1].trimmed() + QLatin1Char(')');
    return filters.join(QStringLiteral(";;"));
}

QString ToDefaultSuffix(const std::string& extension)
{
    QString suffix = QString::fromStdString(extension);
    while (suffix.startsWith(QLatin1Char('*')) || suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    return suffix;
}

std::optional<std::string> FileDialog::run(const FileDialogSpec& request, QWidget* parent)
{
    if (!request.initialFolder.empty())
        folder_ = QString::fromStdString(request.initialFolder);
    QFileDialog dialog(parent, QString::fromStdString(request.title), folder_, ToQtFilter(request.filter));
    dialog.setObjectName(mode_ == Mode::Save ? QStringLiteral("SaveDialog1") : QStringLiteral("OpenDialog1"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setDefaultSuffix(ToDefaultSuffix(request.defaultExtension));
    // Neither dialog asks about overwriting nor insists on an existing file: the file
    // writer asks, and Open of a missing name is the reader's business.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(mode_ == Mode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    folder_ = QFileInfo(chosen).absolutePath();
    return chosen.toStdString();
}

} // namespace kovrin
