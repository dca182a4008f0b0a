#include "app/fonts.h"

#include <QApplication>
#include <QFont>

namespace kryvet {

void InstallApplicationFonts() {
    QFont::insertSubstitutions(QStringLiteral("System"),
                               {QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic")});
    QFont::insertSubstitutions(QStringLiteral("ＭＳ 明朝"),
                               {QStringLiteral("IPAMincho"), QStringLiteral("IPAPMincho")});
    QFont font(QStringLiteral("System"));
    font.setPixelSize(13);
    QApplication::setFont(font);
}

}  // namespace kryvet
