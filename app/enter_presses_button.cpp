#include "app/enter_presses_button.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>

namespace kryvet {

namespace {

class EnterPressesButton : public QObject {
public:
    explicit EnterPressesButton(QPushButton& button) : QObject(&button), button_(button) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &button_ || event->type() != QEvent::KeyPress) {
            return false;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // The keypad's Enter comes with the keypad modifier; any other
        // modifier makes it a different key.
        if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
            return false;
        }
        button_.click();
        return true;
    }

private:
    QPushButton& button_;
};

}  // namespace

void PressOnEnter(QPushButton& button) {
    button.installEventFilter(new EnterPressesButton(button));
}

}  // namespace kryvet
