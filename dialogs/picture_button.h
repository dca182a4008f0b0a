#pragma once

#include <QPixmap>
#include <QPushButton>

namespace kryvet {

// A push button with a small picture at its left and the caption centred in
// the space to the right. The picture comes as one bitmap holding two equal
// images side by side, the first for the enabled and the second for the
// disabled button; the colour of its lower-left pixel is transparent.
class PictureButton : public QPushButton {
    Q_OBJECT
public:
    PictureButton(const QString& caption, const QString& pictureResource,
                  QWidget* parent = nullptr);

    // The image drawn in the current state (enabled or disabled half).
    const QPixmap& CurrentGlyph() const;

    // Distance of the picture from the button's left edge.
    static constexpr int kGlyphLeft = 2;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap enabledGlyph_;
    QPixmap disabledGlyph_;
};

}  // namespace kryvet
