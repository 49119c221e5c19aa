#include "app/qt/PictureCheck.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

#include <cstdio>
#include <vector>

namespace kovrin {

namespace {

// Blank: no picture, or every pixel the same colour as the first.
bool IsBlank(const QImage& image)
{
    if (image.isNull())
        return true;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != first)
                return false;
    return true;
}

struct Picture {
    QWidget* widget;
    QImage image;  // what the widget was given to draw
};

// A button without its picture may still draw its text, so the picture itself is looked
// at as well as the widget on screen.
std::vector<Picture> Pictures(QWidget& window)
{
    std::vector<Picture> pictures;
    for (QToolBar* bar : window.findChildren<QToolBar*>())
        for (QToolButton* button : bar->findChildren<QToolButton*>())
            if (button->isVisible() && button->defaultAction() && !button->defaultAction()->isSeparator())
                pictures.push_back({button, button->icon().pixmap(button->iconSize()).toImage()});
    if (auto* panel = window.findChild<QWidget*>(QStringLiteral("Panel2")))
        for (QLabel* label : panel->findChildren<QLabel*>())
            if (label->isVisible() && label->objectName().startsWith(QStringLiteral("Image")))
                pictures.push_back({label, label->pixmap().toImage()});
    return pictures;
}

} // namespace

bool PictureCheckRequested() { return qEnvironmentVariableIntValue("KOVRIN_PICTURE_CHECK") == 1; }

void SchedulePictureCheck(QWidget& window)
{
    QTimer::singleShot(200, &window, [&window] {
        int blank = 0;
        const std::vector<Picture> pictures = Pictures(window);
        for (const Picture& picture : pictures) {
            if (IsBlank(picture.image) || IsBlank(picture.widget->grab().toImage())) {
                ++blank;
                std::printf("blank picture: %s\n", qPrintable(picture.widget->objectName()));
            }
        }
        std::printf("pictures: %zu shown, %d blank\n", pictures.size(), blank);
        std::fflush(stdout);
        QApplication::quit();
    });
}

} // namespace kovrin
