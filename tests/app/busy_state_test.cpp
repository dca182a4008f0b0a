// The busy and idle states: texts, colours, enabled buttons, focus, and the
// order in which the steps reach the screen.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStringList>
#include <algorithm>
#include <vector>

#include "tests/app/window_fixture.h"
#include "tests/dialogs/accessible_names.h"
#include "widgets/gauge.h"

using namespace kryvet;

namespace {

const QString kEncrypting = QStringLiteral("暗号の作業中 ");
const QString kDecrypting = QStringLiteral("復号の作業中 ");
const QString kIdle = QStringLiteral("\u3000\u3000\u3000\u3000\u3000\u3000 ");

// Writes one line per observable step: the label shown, hidden or painted
// (with its text and colour at that moment), buttons enabled or disabled, the
// focus arriving.
class StepRecorder : public QObject {
public:
    StepRecorder(TMainKryvet* window) : controls_(*window) {
        for (QWidget* w :
             {static_cast<QWidget*>(controls_.LaRun), static_cast<QWidget*>(controls_.BuAngo),
              static_cast<QWidget*>(controls_.BuFukugo), static_cast<QWidget*>(controls_.Cancel1),
              static_cast<QWidget*>(controls_.BuFindFile),
              static_cast<QWidget*>(controls_.BuVersion)}) {
            w->installEventFilter(this);
        }
    }
    QStringList steps;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* widget = static_cast<QWidget*>(object);
        const QString name = object->objectName();
        switch (event->type()) {
            case QEvent::Show:
            case QEvent::Hide:
            case QEvent::Paint:
                if (widget == controls_.LaRun) {
                    const char* kind = event->type() == QEvent::Show   ? "show"
                                       : event->type() == QEvent::Hide ? "hide"
                                                                       : "paint";
                    steps << QStringLiteral("%1 LaRun %2 %3")
                                 .arg(QString::fromLatin1(kind), controls_.LaRun->text(),
                                      controls_.LaRun->palette().color(QPalette::Window).name());
                }
                break;
            case QEvent::EnabledChange:
                steps << QStringLiteral("%1 %2").arg(widget->isEnabled() ? "enable" : "disable",
                                                     name);
                break;
            case QEvent::FocusIn:
                steps << QStringLiteral("focus %1").arg(name);
                break;
            default:
                break;
        }
        return false;
    }

private:
    const MainControls controls_;
};

// Several paints of the label in a row count as one step.
QStringList Collapse(const QStringList& steps) {
    QStringList out;
    for (const QString& s : steps) {
        if (out.isEmpty() || out.back() != s) {
            out << s;
        }
    }
    return out;
}

TEST_F(MainWindowTest, BusyAndIdleStatesInTheirOrder) {
    struct Case {
        OperationButton button;
        QString text;
        QString colour;
        QPushButton* focus;
    };
    const QString face = QApplication::palette().color(QPalette::Button).name();
    const std::vector<Case> cases = {
        {OperationButton::BuAngo, kEncrypting, QStringLiteral("#ff0000"), controls_->BuAngo},
        {OperationButton::BuFukugo, kDecrypting, QStringLiteral("#00ff00"), controls_->BuFukugo},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.focus->objectName().toStdString());
        controls_->EditFileName->setFocus();
        StepRecorder recorder(window_);
        window_->EnterBusyState(c.button);
        const QString shown = QStringLiteral("%1 LaRun %2 %3").arg("%1", c.text, c.colour);
        EXPECT_EQ(
            Collapse(recorder.steps),
            (QStringList{shown.arg("show"), "disable BuAngo", "disable BuFukugo", "disable Cancel1",
                         "disable BuFindFile", "disable BuVersion", shown.arg("paint")}));
        EXPECT_TRUE(controls_->LaRun->isVisible());
        // A screen reader hears what the label shows.
        EXPECT_EQ(AccessibleText(controls_->LaRun, QAccessible::Description), c.text.trimmed());
        EXPECT_TRUE(controls_->EditFileName->isEnabled());
        EXPECT_TRUE(controls_->Gauge1->isEnabled());
        for (QAction* entry : controls_->KR1->actions()) {
            EXPECT_TRUE(entry->isEnabled());
        }

        recorder.steps.clear();
        window_->LeaveBusyState(c.button);
        const QString idle = QStringLiteral("%1 LaRun %2 %3").arg("%1", kIdle, face);
        EXPECT_EQ(Collapse(recorder.steps),
                  (QStringList{idle.arg("paint"), idle.arg("hide"), "enable Cancel1",
                               "enable BuFindFile", "enable BuVersion", "enable BuAngo",
                               "enable BuFukugo", "focus " + c.focus->objectName()}));
        EXPECT_FALSE(controls_->LaRun->isVisible());
        EXPECT_EQ(AccessibleText(controls_->LaRun, QAccessible::Description), QString());
        EXPECT_EQ(QApplication::focusWidget(), c.focus);
    }
}

TEST_F(MainWindowTest, LeavingWithoutEnteringStillMovesTheFocus) {
    for (const auto& [operation, button] :
         {std::pair{OperationButton::BuFukugo, controls_->BuFukugo},
          std::pair{OperationButton::BuAngo, controls_->BuAngo}}) {
        controls_->EditFileName->setFocus();
        window_->LeaveBusyState(operation);
        EXPECT_EQ(QApplication::focusWidget(), button);
        EXPECT_FALSE(controls_->LaRun->isVisible());
        EXPECT_TRUE(controls_->BuVersion->isEnabled());
    }
}

TEST_F(MainWindowTest, BusyLabelShowsOnScreenInItsColour) {
    window_->EnterBusyState(OperationButton::BuAngo);
    const QImage shot = controls_->LaRun->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(98, 1)), QColor(255, 0, 0));
    window_->LeaveBusyState(OperationButton::BuAngo);
    window_->EnterBusyState(OperationButton::BuFukugo);
    EXPECT_EQ(QColor(controls_->LaRun->grab().toImage().pixel(98, 1)), QColor(0, 255, 0));
    window_->LeaveBusyState(OperationButton::BuFukugo);
}

// The caption's pixels of a button: the darkest grey level inside its frame
// (the text colour where a stroke covers a whole pixel) and how many pixels
// are clearly darker than the face.
struct Caption {
    int darkest = 255;
    int inked = 0;
};

Caption CaptionOf(QPushButton* button) {
    const QImage shot = button->grab().toImage();
    const int face = qGray(shot.pixel(6, shot.height() / 2));
    Caption caption;
    for (int y = 4; y < shot.height() - 4; ++y) {
        for (int x = 4; x < shot.width() - 4; ++x) {
            const int grey = qGray(shot.pixel(x, y));
            caption.darkest = std::min(caption.darkest, grey);
            caption.inked += grey < face - 40 ? 1 : 0;
        }
    }
    return caption;
}

TEST_F(MainWindowTest, BusyButtonsShowTheirCaptionsDisabled) {
    const int disabled =
        qGray(QApplication::palette().color(QPalette::Disabled, QPalette::ButtonText).rgb());
    ASSERT_GT(disabled, 100);
    const std::vector<QPushButton*> big = {controls_->BuAngo, controls_->BuFukugo,
                                           controls_->Cancel1};
    for (QPushButton* button : big) {
        EXPECT_LT(CaptionOf(button).darkest, 40) << button->objectName().toStdString();
    }
    window_->EnterBusyState(OperationButton::BuAngo);
    // The small buttons show what a disabled caption looks like; the big
    // ones look the same, only larger.
    for (QPushButton* small : {controls_->BuFindFile, controls_->BuVersion}) {
        EXPECT_NEAR(CaptionOf(small).darkest, disabled, 4) << small->objectName().toStdString();
    }
    for (QPushButton* button : big) {
        SCOPED_TRACE(button->objectName().toStdString());
        const Caption caption = CaptionOf(button);
        EXPECT_NEAR(caption.darkest, disabled, 4);
        EXPECT_GT(caption.inked, 20);  // the caption is still there
    }
    window_->LeaveBusyState(OperationButton::BuAngo);
    for (QPushButton* button : big) {
        EXPECT_LT(CaptionOf(button).darkest, 40) << button->objectName().toStdString();
    }
}

}  // namespace
