#include "app/readable_button_text.h"

#include <QEvent>
#include <QPushButton>
#include <algorithm>
#include <cmath>

namespace kryvet {

namespace {

double Luminance(const QColor& color) {
    auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
           0.0722 * linear(color.blueF());
}

QColor ReadableOn(const QColor& background, const QColor& preferred, const QColor& own) {
    for (const QColor& candidate : {preferred, own}) {
        if (ContrastRatio(candidate, background) >= kReadableContrast) {
            return candidate;
        }
    }
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return ContrastRatio(black, background) >= ContrastRatio(white, background) ? black : white;
}

// Re-applies the choice when the palette the button inherits changes.
class ReadableText : public QObject {
public:
    ReadableText(QPushButton& button, const QColor& preferred)
        : QObject(&button), button_(button), preferred_(preferred) {
        button.installEventFilter(this);
        Apply();
    }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::PaletteChange) {
            Apply();
        } else if (event->type() == QEvent::ApplicationPaletteChange) {
            // The button takes on the new palette after this event.
            QMetaObject::invokeMethod(this, &ReadableText::Apply, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void Apply() {
        const QPalette inherited =
            button_.parentWidget() != nullptr ? button_.parentWidget()->palette() : QPalette();
        QPalette palette = button_.palette();
        // Only the enabled text: the disabled one keeps the style's colour,
        // so that a busy window does not look ready.
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            const QColor color = ReadableOn(palette.color(group, QPalette::Button), preferred_,
                                            inherited.color(group, QPalette::ButtonText));
            if (palette.color(group, QPalette::ButtonText) != color) {
                palette.setColor(group, QPalette::ButtonText, color);
            }
        }
        // Setting an unchanged palette would come back here as a change.
        if (palette != button_.palette()) {
            button_.setPalette(palette);
        }
    }

    QPushButton& button_;
    const QColor preferred_;
};

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void KeepButtonTextReadable(QPushButton& button, const QColor& preferred) {
    new ReadableText(button, preferred);
}

}  // namespace kryvet
