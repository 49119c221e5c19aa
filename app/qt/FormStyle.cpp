#include "app/qt/FormStyle.h"

#include "app/logic/ImageNames.h"

#include <QFontDatabase>
#include <string>
#include <string_view>

namespace kovrin {

namespace {

// NAME.png at 1x; QIcon picks NAME@2x.png beside it for a 2x screen.
QIcon FromResource(std::string_view file)
{
    return QIcon(QStringLiteral(":/icons/") + QString::fromLatin1(file.data(), qsizetype(file.size())) +
                 QStringLiteral(".png"));
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
    const std::string utf8 = name.toStdString();
    const std::optional<std::string_view> file = PictureFile(utf8);
    return file ? FromResource(*file) : QIcon();
}

} // namespace kovrin
