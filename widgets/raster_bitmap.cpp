#include "widgets/raster_bitmap.h"

#include <QPainter>
#include <algorithm>

#include "widgets/tcolor.h"

namespace kryvet {

namespace {

QPainter::CompositionMode CompositionFor(RasterOp op) {
    return op == RasterOp::SrcInvert ? QPainter::RasterOp_SourceXorDestination
                                     : QPainter::CompositionMode_Source;
}

}  // namespace

QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

TBitmap::TBitmap(int width, int height) {
    Resize(width, height);
}

void TBitmap::SetWidth(int width) {
    Resize(width, Height());
}

void TBitmap::SetHeight(int height) {
    Resize(Width(), height);
}

void TBitmap::Resize(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    if (width_ == image_.width() && height_ == image_.height()) {
        return;
    }
    QImage resized(width_, height_, QImage::Format_RGB32);
    if (resized.isNull() || image_.isNull()) {
        image_ = resized;
        return;
    }
    resized.fill(Qt::black);
    QPainter painter(&resized);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, image_);
    painter.end();
    image_ = resized;
}

void TBitmap::FillRect(const TRect& rect) {
    const QRect area = ToQRect(rect).intersected(image_.rect());
    if (area.isEmpty()) {
        return;
    }
    QPainter painter(&image_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(area, brushColor_);
}

void TBitmap::CopyRect(const TRect& dest, const TBitmap& source, const TRect& src) {
    if (copyMode_ == RasterOp::Blackness) {
        // Blackness ignores the source.
        const QRect area = ToQRect(dest).intersected(image_.rect());
        if (!area.isEmpty()) {
            QPainter painter(&image_);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.fillRect(area, Qt::black);
        }
        return;
    }
    // A transfer onto itself must read the source before it is overwritten.
    const QImage from = (&source == this) ? source.image_.copy() : source.image_;
    QPainter painter(&image_);
    painter.setCompositionMode(CompositionFor(copyMode_));
    painter.drawImage(ToQRect(dest), from, ToQRect(src));
}

void TBitmap::Draw(int x, int y, const TBitmap& source) {
    CopyRect(TRect{x, y, x + source.Width(), y + source.Height()}, source,
             TRect{0, 0, source.Width(), source.Height()});
}

void TBltBitmap::MakeLike(const TBitmap& pattern) {
    SetWidth(pattern.Width());
    SetHeight(pattern.Height());
    SetBrushColor(ResolveColor(clWindowFrame));
    FillRect(TRect{0, 0, Width(), Height()});
}

void ClearToBlack(TBitmap& bitmap) {
    bitmap.SetCopyMode(RasterOp::Blackness);
    const TRect all{0, 0, bitmap.Width(), bitmap.Height()};
    bitmap.CopyRect(all, bitmap, all);
    bitmap.SetCopyMode(RasterOp::SrcCopy);
}

}  // namespace kryvet
