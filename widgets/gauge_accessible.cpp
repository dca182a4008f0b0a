#include "widgets/gauge_accessible.h"

#include "widgets/gauge.h"

namespace kryvet {

namespace {

QAccessibleInterface* GaugeFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(TGauge::staticMetaObject.className()) &&
        object->isWidgetType()) {
        return new TGaugeAccessible(static_cast<TGauge*>(object));
    }
    return nullptr;
}

}  // namespace

TGaugeAccessible::TGaugeAccessible(TGauge* gauge)
    : QAccessibleWidget(gauge, QAccessible::ProgressBar) {}

const TGauge& TGaugeAccessible::Gauge() const {
    return *static_cast<const TGauge*>(object());
}

void* TGaugeAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QString TGaugeAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) {
        return QString::number(Gauge().FilledPercent()) + QLatin1Char('%');
    }
    return QAccessibleWidget::text(t);
}

QVariant TGaugeAccessible::currentValue() const {
    return Gauge().Progress();
}

QVariant TGaugeAccessible::maximumValue() const {
    return Gauge().MaxValue();
}

QVariant TGaugeAccessible::minimumValue() const {
    return Gauge().MinValue();
}

QVariant TGaugeAccessible::minimumStepSize() const {
    return 1;
}

void InstallGaugeAccessibility() {
    // Qt keeps a list of factories; this one goes in once per program.
    static const bool installed = [] {
        QAccessible::installFactory(GaugeFactory);
        return true;
    }();
    (void)installed;
}

void NotifyGaugeValue(TGauge& gauge) {
    QAccessibleValueChangeEvent event(&gauge, gauge.Progress());
    QAccessible::updateAccessibility(&event);
}

}  // namespace kryvet
