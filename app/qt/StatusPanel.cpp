#include "app/qt/StatusPanel.h"

#include "app/logic/ControlNames.h"
#include "app/qt/AccessibleNumbers.h"
#include "app/qt/FormStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace kovrin {

namespace {

constexpr int kImageSize = 16;

struct Zone {
    const char* images[2];  // both on the same spot; at most one visible
    const char* label;
    int width;              // 0: takes the rest of the bar
};

constexpr Zone kZones[] = {
    {{"ImageGreen", "ImageRed"}, "LabelStatus", 130},
    {{"ImageKeyUser", "ImageKeyService"}, "LabelAccess", 130},
    {{"ImageUPS", "ImageFile"}, "LabelFile", 0},
};

constexpr const char* kBevels[] = {"Bevel1", "Bevel2"};

QWidget* ImageSpot(const Zone& zone, QWidget* parent)
{
    auto* spot = new QWidget(parent);
    spot->setFixedSize(kImageSize, kImageSize);
    for (const char* name : zone.images) {
        auto* picture = new QLabel(spot);
        picture->setObjectName(QString::fromLatin1(name));
        const std::string_view meaning = PictureMeaning(name);
        picture->setAccessibleName(QString::fromUtf8(meaning.data(), qsizetype(meaning.size())));
        picture->setPixmap(NamedImage(QString::fromLatin1(name)).pixmap(kImageSize, kImageSize));
        picture->setGeometry(0, 0, kImageSize, kImageSize);
        picture->hide();
    }
    return spot;
}

// A label that keeps its whole text (for tests and screen readers) but draws it elided
// in the middle when its zone is too narrow: a long file name keeps its folder's start
// and its own name.
class MiddleElided final : public QLabel {
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect area = contentsRect();
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(area, int(alignment()), fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
    }
};

QFrame* Bevel(const char* name, QWidget* parent)
{
    auto* bevel = new QFrame(parent);
    bevel->setObjectName(QString::fromLatin1(name));
    bevel->setFrameShape(QFrame::VLine);
    bevel->setFrameShadow(QFrame::Raised);
    return bevel;
}

} // namespace

StatusPanel::StatusPanel(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("Panel2"));
    // A reader's "read the status bar" finds it.
    MarkAccessibleRole(this, QAccessible::StatusBar);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setFixedHeight(20);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 1, 4, 1);
    row->setSpacing(5);
    for (std::size_t i = 0; i < std::size(kZones); ++i) {
        const Zone& zone = kZones[i];
        if (i > 0)
            row->addWidget(Bevel(kBevels[i - 1], this));
        auto* zoneWidget = new QWidget(this);
        auto* zoneRow = new QHBoxLayout(zoneWidget);
        zoneRow->setContentsMargins(0, 0, 0, 0);
        zoneRow->setSpacing(5);
        zoneRow->addWidget(ImageSpot(zone, zoneWidget));
        QLabel* text = zone.width > 0 ? new QLabel(zoneWidget) : new MiddleElided(zoneWidget);
        text->setObjectName(QString::fromLatin1(zone.label));
        zoneRow->addWidget(text, 1);
        if (zone.width > 0)
            zoneWidget->setFixedWidth(zone.width);
        row->addWidget(zoneWidget, zone.width > 0 ? 0 : 1);
    }
}

QLabel* StatusPanel::image(const char* name) const { return findChild<QLabel*>(QString::fromLatin1(name)); }

QLabel* StatusPanel::label(const char* name) const { return findChild<QLabel*>(QString::fromLatin1(name)); }

void StatusPanel::apply(const StatusBarState& s)
{
    const auto zones = s.zones();
    for (std::size_t i = 0; i < zones.size(); ++i) {
        label(kZones[i].label)->setText(QString::fromUtf8(zones[i].text.data(), qsizetype(zones[i].text.size())));
        for (const char* name : kZones[i].images)
            image(name)->setVisible(zones[i].picture == name);
    }
    // The file's name may be longer than its zone.
    QLabel* file = label("LabelFile");
    file->setToolTip(file->text());
}

} // namespace kovrin
