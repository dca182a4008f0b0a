#include "app/focus_mark_style.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOption>

namespace kryvet {

void FocusMarkStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                   QPainter* painter, const QWidget* widget) const {
    if (element != PE_FrameFocusRect) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // In the text's colour, which the buttons keep readable on their face.
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(option->palette.color(QPalette::ButtonText), 1, Qt::DotLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

void FocusMarkStyle::drawControl(ControlElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawControl(element, option, painter, widget);
    // Some styles leave the focus frame out of the push button altogether.
    if (element == CE_PushButton && (option->state & State_HasFocus)) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(*option);
        focus.rect = subElementRect(SE_PushButtonFocusRect, option, widget);
        drawPrimitive(PE_FrameFocusRect, &focus, painter, widget);
    }
}

void InstallFocusMarkStyle() {
    // The proxy wraps the style Qt chose for the desktop and owns it.
    QApplication::setStyle(new FocusMarkStyle(QApplication::style()->name()));
}

}  // namespace kryvet
