#pragma once

#include <QProxyStyle>

namespace kryvet {

// The platform's style, but a control with the keyboard focus always shows a
// dotted mark inside its edge: Qt's own styles draw it only after a Tab, and
// give the focused and the default button the same look.
class FocusMarkStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};

// Makes FocusMarkStyle the application's style.
void InstallFocusMarkStyle();

}  // namespace kryvet
