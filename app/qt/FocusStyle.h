#pragma once
// The application's style with a focus mark where the base style draws none: a scroll
// bar that has the keyboard focus gets a frame in the palette's highlight colour, so
// it follows a dark or high-contrast palette.
#include <QProxyStyle>

namespace kovrin {

class FocusStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
};

} // namespace kovrin
