#include "widgets/raster_bitmap.h"

#include <algorithm>
#include <cmath>

#include "widgets/tcolor.h"

namespace kryvet {

namespace {

int DevicePixels(int logical, qreal ratio) {
    return static_cast<int>(std::lround(logical * ratio));
}

QRgb* Row(QImage& image, int y) {
    return reinterpret_cast<QRgb*>(image.scanLine(y));
}

const QRgb* Row(const QImage& image, int y) {
    return reinterpret_cast<const QRgb*>(image.constScanLine(y));
}

// The raster operations on 32-bit RGB pixels, whose unused top byte stays set.
QRgb Combine(RasterOp op, QRgb source, QRgb destination) {
    switch (op) {
        case RasterOp::Blackness:
            return 0xFF000000;
        case RasterOp::SrcInvert:
            return (source ^ destination) | 0xFF000000;
        case RasterOp::SrcCopy:
            break;
    }
    return source | 0xFF000000;
}

}  // namespace

QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

TBitmap::TBitmap(int width, int height, qreal devicePixelRatio) {
    Resize(width, height, devicePixelRatio);
}

void TBitmap::SetWidth(int width) {
    Resize(width, Height(), devicePixelRatio_);
}

void TBitmap::SetHeight(int height) {
    Resize(Width(), height, devicePixelRatio_);
}

void TBitmap::Resize(int width, int height, qreal devicePixelRatio) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    devicePixelRatio_ = devicePixelRatio > 0 ? devicePixelRatio : 1;
    // Whole device pixels that cover the logical size.
    const QSize device(static_cast<int>(std::ceil(width_ * devicePixelRatio_ - 1e-6)),
                       static_cast<int>(std::ceil(height_ * devicePixelRatio_ - 1e-6)));
    if (device != image_.size()) {
        QImage resized(device, QImage::Format_RGB32);
        resized.fill(Qt::black);
        const int w = std::min(device.width(), image_.width());
        for (int y = 0; y < std::min(device.height(), image_.height()); ++y) {
            std::copy_n(Row(image_, y), w, Row(resized, y));
        }
        image_ = resized;
    }
    image_.setDevicePixelRatio(devicePixelRatio_);
}

QRect TBitmap::DeviceRect(const TRect& rect) const {
    // The far edges are the image's own, which covers them whole.
    auto x = [this](int edge) {
        return edge >= width_ ? image_.width() : DevicePixels(edge, devicePixelRatio_);
    };
    auto y = [this](int edge) {
        return edge >= height_ ? image_.height() : DevicePixels(edge, devicePixelRatio_);
    };
    const QRect device(QPoint(x(rect.Left), y(rect.Top)),
                       QPoint(x(rect.Right) - 1, y(rect.Bottom) - 1));
    return device.intersected(QRect(QPoint(0, 0), image_.size()));
}

void TBitmap::FillRect(const TRect& rect) {
    const QRect area = DeviceRect(rect);
    const QRgb colour = brushColor_.rgb() | 0xFF000000;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        std::fill_n(Row(image_, y) + area.left(), area.width(), colour);
    }
}

void TBitmap::CopyRect(const TRect& dest, const TBitmap& source, const TRect& src) {
    // A transfer onto itself must read the source before it is overwritten.
    const QImage from = (&source == this) ? source.image_.copy() : source.image_;
    const QRect to = DeviceRect(dest);
    const QPoint offset(DevicePixels(src.Left, source.devicePixelRatio_) -
                            DevicePixels(dest.Left, devicePixelRatio_),
                        DevicePixels(src.Top, source.devicePixelRatio_) -
                            DevicePixels(dest.Top, devicePixelRatio_));
    const QRect readable = QRect(QPoint(0, 0), from.size()).translated(-offset);
    const QRect area = copyMode_ == RasterOp::Blackness ? to : to.intersected(readable);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        QRgb* out = Row(image_, y);
        const QRgb* in = copyMode_ == RasterOp::Blackness ? nullptr : Row(from, y + offset.y());
        for (int x = area.left(); x <= area.right(); ++x) {
            out[x] = Combine(copyMode_, in != nullptr ? in[x + offset.x()] : 0, out[x]);
        }
    }
}

void TBitmap::Draw(int x, int y, const TBitmap& source) {
    CopyRect(TRect{x, y, x + source.Width(), y + source.Height()}, source,
             TRect{0, 0, source.Width(), source.Height()});
}

void TBltBitmap::MakeLike(const TBitmap& pattern) {
    Resize(pattern.Width(), Height(), pattern.DevicePixelRatio());
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
