// Arithmetic, stored values, setter rules and immediate repaints of the gauge.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>
#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "tests/support/patience.h"
#include "widgets/gauge.h"

namespace kryvet {
namespace {

TEST(PixelsForPercent, ExtendedPrecisionTable) {
    struct Case {
        int p, l, expected;
    };
    const std::vector<Case> cases = {
        {0, 100, 0},  {5, 100, 4},     {10, 100, 9},    {15, 100, 14},  {20, 100, 19},
        {1, 100, 1},  {50, 100, 50},   {100, 274, 274}, {50, 274, 137}, {1, 274, 2},
        {50, 99, 49}, {100, 101, 101}, {50, 101, 50},   {-5, 100, -4},  {0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PixelsForPercent(c.p, c.l), c.expected) << c.p << "% of " << c.l;
    }
}

TEST(PixelsForPercent, WholeProductsFallOneShortWhereTheRoundingLeavesThemBelow) {
    // The percentages of 100 that come out one short under 64-bit-significand
    // rounding of 0.01 (worked out separately with exact rational arithmetic).
    const std::vector<int> shortOnes = {5,  10, 15, 20, 23, 27, 30, 40, 43, 46, 49,
                                        53, 54, 59, 60, 67, 73, 80, 86, 92, 98, 99};
    for (int p = 0; p <= 100; ++p) {
        const bool isShort = std::find(shortOnes.begin(), shortOnes.end(), p) != shortOnes.end();
        EXPECT_EQ(PixelsForPercent(p, 100), isShort ? p - 1 : p) << p;
    }
}

TEST(PixelsForPercent, MainWindowBarMatchesIntegerRule) {
    for (int p = 0; p <= 100; ++p) {
        EXPECT_EQ(PixelsForPercent(p, 274), p * 274 / 100) << p;
    }
}

TEST(PercentOfSpan, Table) {
    struct Case {
        int x, z, expected;
    };
    const std::vector<Case> cases = {
        {1, 3, 33},
        {2, 3, 66},
        {0, 0, 0},
        {7, 0, 0},
        {-1, 3, -33},
        {3, 3, 100},
        {10, 1000, 1},
        {19, 1000, 1},
        {999, 1000, 99},
        {2147483647, 2147483647, 100},
        {1073741823, 2147483647, 49},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PercentOfSpan(c.x, c.z), c.expected) << c.x << " of " << c.z;
    }
}

TEST(TGauge, DefaultsAtConstruction) {
    TGauge gauge;
    EXPECT_EQ(gauge.MinValue(), 0);
    EXPECT_EQ(gauge.MaxValue(), 100);
    EXPECT_EQ(gauge.Progress(), 0);
    EXPECT_EQ(gauge.Kind(), gkHorizontalBar);
    EXPECT_TRUE(gauge.ShowText());
    EXPECT_EQ(gauge.BorderStyle(), bsSingle);
    EXPECT_EQ(gauge.ForeColor(), 0x000000u);
    EXPECT_EQ(gauge.BackColor(), 0xFFFFFFu);
    EXPECT_EQ(gauge.size(), QSize(100, 100));
    EXPECT_TRUE(gauge.testAttribute(Qt::WA_OpaquePaintEvent));
    EXPECT_EQ(gauge.FilledPercent(), 0);
}

TEST(TGauge, ProgressIsClampedToTheRange) {
    struct Case {
        int min, max, write, stored, percent;
    };
    const std::vector<Case> cases = {
        {0, 100, -5, 0, 0},      {0, 100, 250, 100, 100},     {0, 100, 45, 45, 45},
        {0, 1000, 15, 15, 1},    {-50, 50, 0, 0, 50},         {10, 10, 99, 10, 0},
        {0, 100, INT_MIN, 0, 0}, {0, 100, INT_MAX, 100, 100},
    };
    for (const Case& c : cases) {
        TGauge gauge;
        gauge.SetMaxValue(c.max);
        gauge.SetMinValue(c.min);
        gauge.SetProgress(c.write);
        EXPECT_EQ(gauge.Progress(), c.stored) << c.write;
        EXPECT_EQ(gauge.FilledPercent(), c.percent) << c.write;
        // Assistive technology sees the same value, range and percentage.
        QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(&gauge);
        ASSERT_NE(seen, nullptr);
        EXPECT_EQ(seen->role(), QAccessible::ProgressBar);
        QAccessibleValueInterface* value = seen->valueInterface();
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->currentValue().toInt(), c.stored) << c.write;
        EXPECT_EQ(value->minimumValue().toInt(), c.min);
        EXPECT_EQ(value->maximumValue().toInt(), c.max);
        EXPECT_EQ(seen->text(QAccessible::Value), QString::number(c.percent) + QLatin1Char('%'));
    }
}

TEST(TGauge, RangeSettersKeepTheInvariants) {
    TGauge gauge;
    gauge.SetProgress(40);
    gauge.SetMinValue(60);  // above Progress: Progress follows
    EXPECT_EQ(gauge.MinValue(), 60);
    EXPECT_EQ(gauge.Progress(), 60);
    gauge.SetMinValue(0);
    gauge.SetProgress(80);
    gauge.SetMaxValue(70);  // below Progress: Progress follows
    EXPECT_EQ(gauge.MaxValue(), 70);
    EXPECT_EQ(gauge.Progress(), 70);
    gauge.SetMinValue(70);  // equal to MaxValue is accepted
    EXPECT_EQ(gauge.MinValue(), 70);
    EXPECT_EQ(gauge.FilledPercent(), 0);
    gauge.SetMaxValue(70);
    EXPECT_EQ(gauge.MaxValue(), 70);
}

TEST(TGauge, CrossingRangeLimitsRaiseAndChangeNothing) {
    struct Case {
        bool setMin;
        int value;
        const char* message;
    };
    const std::vector<Case> cases = {
        {true, 101, "-2147483647 から 99 の間の値でなければなりません"},
        {true, INT_MAX, "-2147483647 から 99 の間の値でなければなりません"},
        {false, -1, "1 から 2147483647 の間の値でなければなりません"},
        {false, INT_MIN, "1 から 2147483647 の間の値でなければなりません"},
    };
    for (const Case& c : cases) {
        TGauge gauge;
        gauge.SetProgress(30);
        try {
            if (c.setMin) {
                gauge.SetMinValue(c.value);
            } else {
                gauge.SetMaxValue(c.value);
            }
            ADD_FAILURE() << "no error for " << c.value;
        } catch (const EInvalidOperation& error) {
            EXPECT_STREQ(error.what(), c.message);
            const std::exception& base = error;
            EXPECT_STREQ(base.what(), c.message);
        }
        EXPECT_EQ(gauge.MinValue(), 0);
        EXPECT_EQ(gauge.MaxValue(), 100);
        EXPECT_EQ(gauge.Progress(), 30);
    }
}

TEST(TGauge, MessageNamesTheOtherLimitMinusOne) {
    TGauge gauge;
    gauge.SetMaxValue(5);
    gauge.SetMinValue(-20);
    EXPECT_THROW(gauge.SetMinValue(6), EInvalidOperation);
    try {
        gauge.SetMaxValue(-21);
    } catch (const EInvalidOperation& error) {
        EXPECT_EQ(error.Message(),
                  QStringLiteral("-19 から 2147483647 の間の値でなければなりません"));
    }
    EXPECT_EQ(gauge.MinValue(), -20);
    EXPECT_EQ(gauge.MaxValue(), 5);
}

// Counts the paint events a widget receives, from outside it.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int Count() const { return count_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++count_;
        }
        return false;
    }

private:
    int count_ = 0;
};

// A shown parent, so that the gauge repaints itself at once.
class GaugeRepaint : public ::testing::Test {
protected:
    void SetUp() override {
        parent_.resize(300, 200);
        gauge_ = new TGauge(&parent_);
        paints_ = std::make_unique<PaintCounter>(gauge_);
        parent_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent_, kPatienceMs));
        // The first showing paints when the event loop gets to it; only the
        // setters' own repaints are counted after that.
        ASSERT_TRUE(QTest::qWaitFor([this] { return paints_->Count() > 0; }, kPatienceMs));
        QCoreApplication::processEvents();
        base_ = paints_->Count();
    }
    int PaintCount() const { return paints_->Count(); }
    int Paints() const { return PaintCount() - base_; }

    QWidget parent_;
    TGauge* gauge_ = nullptr;
    std::unique_ptr<PaintCounter> paints_;
    int base_ = 0;
};

TEST_F(GaugeRepaint, ProgressPaintsOnlyWhenThePercentageChanges) {
    gauge_->SetMaxValue(1000);
    base_ = PaintCount();
    for (int v = 10; v <= 19; ++v) {
        gauge_->SetProgress(v);
        EXPECT_EQ(gauge_->Progress(), v);
    }
    EXPECT_EQ(Paints(), 1);
    gauge_->SetProgress(19);    // unchanged
    gauge_->SetProgress(5000);  // clamps to 1000
    EXPECT_EQ(Paints(), 2);
    gauge_->SetProgress(1234);  // clamps to the stored value
    EXPECT_EQ(Paints(), 2);
}

TEST_F(GaugeRepaint, AFullRunPaintsOncePerPercent) {
    gauge_->SetMaxValue(100000);
    base_ = PaintCount();
    for (int v = 0; v <= 100000; v += 7) {
        gauge_->SetProgress(v);
    }
    gauge_->SetProgress(100000);
    EXPECT_EQ(Paints(), 100);
}

TEST_F(GaugeRepaint, OtherSettersPaintOnlyOnChange) {
    struct Step {
        const char* what;
        std::function<void(TGauge&)> apply;
        int paints;
    };
    const std::vector<Step> steps = {
        {"same kind", [](TGauge& g) { g.SetKind(gkHorizontalBar); }, 0},
        {"new kind", [](TGauge& g) { g.SetKind(gkPie); }, 1},
        {"same text flag", [](TGauge& g) { g.SetShowText(true); }, 0},
        {"text off", [](TGauge& g) { g.SetShowText(false); }, 1},
        {"same border", [](TGauge& g) { g.SetBorderStyle(bsSingle); }, 0},
        {"no border", [](TGauge& g) { g.SetBorderStyle(bsNone); }, 1},
        {"same fore", [](TGauge& g) { g.SetForeColor(clBlack); }, 0},
        {"blue fore", [](TGauge& g) { g.SetForeColor(clBlue); }, 1},
        {"same back", [](TGauge& g) { g.SetBackColor(clWhite); }, 0},
        {"red back", [](TGauge& g) { g.SetBackColor(clRed); }, 1},
        {"same min", [](TGauge& g) { g.SetMinValue(0); }, 0},
        {"min below progress", [](TGauge& g) { g.SetMinValue(-10); }, 1},
        {"same max", [](TGauge& g) { g.SetMaxValue(100); }, 0},
        {"max above progress", [](TGauge& g) { g.SetMaxValue(200); }, 1},
    };
    for (const Step& step : steps) {
        const int before = PaintCount();
        step.apply(*gauge_);
        EXPECT_EQ(PaintCount() - before, step.paints) << step.what;
    }
}

TEST(TGauge, HiddenOrParentlessGaugeDrawsNothing) {
    TGauge lone;
    const PaintCounter lonePaints(&lone);
    lone.SetProgress(50);
    EXPECT_EQ(lonePaints.Count(), 0);
    QWidget parent;
    auto* gauge = new TGauge(&parent);
    const PaintCounter paints(gauge);
    gauge->SetProgress(70);
    EXPECT_EQ(paints.Count(), 0);
    EXPECT_EQ(gauge->Progress(), 70);
}

}  // namespace
}  // namespace kryvet
