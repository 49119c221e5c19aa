#include "app/qt/FormStyle.h"

#include <QFontDatabase>
#include <array>
#include <string_view>

namespace kovrin {

namespace {

// Index order is the one the actions' image numbers refer to.
constexpr std::array<std::string_view, kImageListSize> kImageList{
    "00-new", "01-open", "02-save", "03-saveas", "04-upload", "05-download", "06-refresh",
    "07-connect", "08-disconnect", "09-statistics", "10-properties", "11-print", "12-cut",
    "13-copy", "14-paste", "15-undo", "16-redo", "17-find", "18-delete", "19-warning",
    "20-password", "21-lock", "22-help", "23-info", "24-tools", "25-clock", "26-exit",
};

struct NamedPicture {
    std::string_view name;
    std::string_view file;
};

constexpr NamedPicture kNamedPictures[] = {
    {"ImageGreen", "status-green"},
    {"ImageRed", "status-red"},
    {"ImageKeyUser", "status-key-user"},
    {"ImageKeyService", "status-key-service"},
    {"ImageUPS", "status-ats"},
    {"ImageFile", "status-file"},
    {"BtnOk", "button-ok"},
    {"BtnCancel", "button-cancel"},
    {"BtnClose", "button-close"},
    {"Application", "app-icon"},
};

QIcon FromResource(std::string_view file)
{
    return QIcon(QStringLiteral(":/icons/") + QString::fromLatin1(file.data(), qsizetype(file.size())) +
                 QStringLiteral(".svg"));
}

} // namespace

QFont FormFont()
{
    const QString family = QFontDatabase::families().contains(QStringLiteral("Tahoma"))
                               ? QStringLiteral("Tahoma")
                               : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    QFont font(family);
    font.setPointSize(8);
    return font;
}

QIcon ImageListIcon(int index)
{
    if (index < 0 || index >= kImageListSize)
        return {};
    return FromResource(kImageList[std::size_t(index)]);
}

QIcon NamedImage(const QString& name)
{
    for (const NamedPicture& p : kNamedPictures)
        if (name == QLatin1String(p.name.data(), qsizetype(p.name.size())))
            return FromResource(p.file);
    return {};
}

} // namespace kovrin
