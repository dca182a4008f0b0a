#include "widgets/tcolor.h"

#include <QGuiApplication>
#include <QPalette>

namespace kryvet {

QColor ResolveColor(TColor color) {
    if ((color & 0x80000000u) == 0) {
        return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                      static_cast<int>((color >> 16) & 0xFF));
    }
    const QPalette palette = QGuiApplication::palette();
    switch (color & 0xFF) {
        case 5:
            return palette.color(QPalette::Base);
        case 6:
            return QColor(0, 0, 0);
        case 8:
            return palette.color(QPalette::WindowText);
        case 15:
            return palette.color(QPalette::Button);
        default:
            return palette.color(QPalette::Window);
    }
}

}  // namespace kryvet
