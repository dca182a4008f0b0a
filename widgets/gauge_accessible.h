#pragma once

#include <QAccessibleWidget>

namespace kryvet {

class TGauge;

// What assistive technology learns about a gauge: a progress bar with its
// value and range, and the percentage it prints as its text.
class TGaugeAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TGaugeAccessible(TGauge* gauge);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;

    QVariant currentValue() const override;
    // The gauge shows progress; nobody sets it from outside.
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    const TGauge& Gauge() const;
};

// Makes Qt build the interface above for every gauge; safe to call often.
void InstallGaugeAccessibility();

// Tells assistive technology that the gauge's value changed.
void NotifyGaugeValue(TGauge& gauge);

}  // namespace kryvet
