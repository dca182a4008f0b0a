#include "dialogs/picture_button.h"

#include <QImage>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "dialogs/pictures.h"

namespace kryvet {

PictureButton::PictureButton(const QString& caption, const QString& pictureResource,
                             QWidget* parent)
    : QPushButton(caption, parent) {
    const QImage sheet = WithLowerLeftTransparent(QImage(pictureResource));
    const int half = sheet.width() / 2;
    enabledGlyph_ = CrispPixmap(sheet.copy(0, 0, half, sheet.height()));
    disabledGlyph_ = CrispPixmap(sheet.copy(half, 0, half, sheet.height()));
}

const QPixmap& PictureButton::CurrentGlyph() const {
    return isEnabled() ? enabledGlyph_ : disabledGlyph_;
}

void PictureButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    // A pressed button moves its contents one pixel down and right.
    const int shift = isDown() ? 1 : 0;
    const QPixmap& glyph = CurrentGlyph();
    const QSize glyphSize = glyph.deviceIndependentSize().toSize();
    const int glyphTop = (height() - glyphSize.height()) / 2;
    painter.drawPixmap(kGlyphLeft + shift, glyphTop + shift, glyph);

    const int textLeft = kGlyphLeft + glyphSize.width();
    const QRect textRect(textLeft + shift, shift, width() - textLeft, height());
    painter.drawItemText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, palette(), isEnabled(),
                         text(), QPalette::ButtonText);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

}  // namespace kryvet
