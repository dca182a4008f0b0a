#include "dialogs/pictures.h"

#include <QGuiApplication>
#include <QImage>

namespace kryvet {

QPixmap CrispPixmap(const QImage& image) {
    const qreal ratio = qApp != nullptr ? qApp->devicePixelRatio() : 1.0;
    if (image.isNull() || ratio <= 1.0) {
        return QPixmap::fromImage(image);
    }
    // Given at the screen's resolution, the picture is drawn as it is; Qt
    // would otherwise scale it up smoothly and blur it.
    const QSize device = (QSizeF(image.size()) * ratio).toSize();
    QPixmap pixmap =
        QPixmap::fromImage(image.scaled(device, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QImage WithLowerLeftTransparent(const QImage& image) {
    if (image.isNull()) {
        return image;
    }
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = out.pixel(0, out.height() - 1);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if (line[x] == key) {
                line[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    return out;
}

QImage OnButtonFace(const QImage& image, const QColor& face) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb faceRgb = face.rgba();
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if (line[x] == kStoredButtonFace) {
                line[x] = faceRgb;
            }
        }
    }
    return out;
}

}  // namespace kryvet
