// Every form as Qt builds it matches its description: caption, place, font,
// each control's kind, geometry, text, colours and state, the tab order, the
// default button and the menu.
#include <QFrame>
#include <QMessageBox>

#include "app/open_dialog.h"
#include "dialogs/error_box.h"
#include "dialogs/form_builder.h"
#include "dialogs/picture_button.h"
#include "dialogs/question_box.h"
#include "tests/app/window_fixture.h"
#include "tests/dialogs/accessible_names.h"

using namespace kryvet;

namespace {

// Whether the widget is of the kind the description gives.
bool IsOfKind(QObject* widget, ControlKind kind) {
    switch (kind) {
        case ControlKind::Label:
        case ControlKind::Picture: {
            auto* label = qobject_cast<QLabel*>(widget);
            return label != nullptr && (kind == ControlKind::Picture) != label->pixmap().isNull();
        }
        case ControlKind::Edit:
        case ControlKind::PasswordEdit: {
            auto* edit = qobject_cast<QLineEdit*>(widget);
            return edit != nullptr &&
                   (edit->echoMode() == QLineEdit::Password) == (kind == ControlKind::PasswordEdit);
        }
        case ControlKind::Button:
            return qobject_cast<QPushButton*>(widget) != nullptr &&
                   qobject_cast<PictureButton*>(widget) == nullptr;
        case ControlKind::PictureButton:
            return qobject_cast<PictureButton*>(widget) != nullptr;
        case ControlKind::Panel:
            return qobject_cast<QFrame*>(widget) != nullptr;
        case ControlKind::Gauge:
            return qobject_cast<TGauge*>(widget) != nullptr;
        case ControlKind::Timer:
            return qobject_cast<QTimer*>(widget) != nullptr;
        case ControlKind::OpenDialog:
            return qobject_cast<QFileDialog*>(widget) != nullptr;
    }
    return false;
}

QString TextOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        return button->text();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->text();
    }
    return {};
}

void ExpectFont(const QFont& font, const FontDescription& expected) {
    EXPECT_EQ(font.family(), FormText(expected.face));
    EXPECT_EQ(font.pixelSize(), expected.pixelHeight);
}

// Geometry, text, colours and state of a drawn control.
void ExpectDrawn(QWidget* widget, const ControlDescription& c, const QWidget& form) {
    const FormRect& at = c.geometry;
    EXPECT_EQ(widget->pos(), QPoint(at.left, at.top));
    QSize designed(at.width, at.height);
    if (c.kind == ControlKind::Label) {
        // designed size, or wider where the text needs it
        const QSize hint = widget->sizeHint();
        designed = (at.width == 0 ? hint : designed).expandedTo(hint);
    }
    EXPECT_EQ(widget->size(), designed);
    EXPECT_EQ(TextOf(widget), FormText(c.text));
    EXPECT_EQ(AccessibleText(widget, QAccessible::Name),
              FormText(c.accessibleName.empty() ? c.text : c.accessibleName));
    EXPECT_EQ(widget->isVisibleTo(&form), c.visible);
    // The main window's controls lie in its client area.
    const QString parent = c.parent.empty() ? QStringLiteral("Client") : FormText(c.parent);
    EXPECT_TRUE(widget->parentWidget() == &form || widget->parentWidget()->objectName() == parent);
    EXPECT_EQ(c.parent.empty(),
              widget->parentWidget() == &form ||
                  widget->parentWidget()->objectName() == QStringLiteral("Client"));
    if (c.font.face.empty()) {
        EXPECT_EQ(widget->font(), form.font());
    } else {
        ExpectFont(widget->font(), c.font);
    }
    if (c.kind == ControlKind::Label && c.color != kParentColor) {
        EXPECT_EQ(widget->property("Color").toUInt(), c.color);
        EXPECT_TRUE(widget->autoFillBackground());
    }
    if (auto* gauge = qobject_cast<TGauge*>(widget)) {
        EXPECT_EQ(gauge->Color(), c.color);
        EXPECT_EQ(gauge->ForeColor(), c.foreColor);
        EXPECT_EQ(gauge->BorderStyle(), c.border ? bsSingle : bsNone);
        EXPECT_EQ(gauge->Progress(), c.value);
    }
}

void ExpectControl(const QWidget& form, const ControlDescription& c) {
    SCOPED_TRACE(std::string(c.name));
    QObject* control = form.findChild<QObject*>(FormText(c.name));
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(IsOfKind(control, c.kind));
    if (auto* timer = qobject_cast<QTimer*>(control)) {
        EXPECT_EQ(timer->interval(), c.value);
        EXPECT_FALSE(timer->isActive());
    } else if (auto* dialog = qobject_cast<QFileDialog*>(control)) {
        EXPECT_EQ(dialog->nameFilters(), QtNameFilters(FormText(c.text)));
        EXPECT_EQ(AccessibleText(dialog, QAccessible::Name), FormText(c.accessibleName));
    } else {
        ExpectDrawn(static_cast<QWidget*>(control), c, form);
    }
}

// The controls that Tab visits, from the first of the described order.
QStringList TabOrderOf(const QWidget& form, const FormDescription& d) {
    QStringList order;
    QWidget* first = form.findChild<QWidget*>(FormText(d.tabOrder.front()));
    QWidget* w = first;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&form) &&
            FindControl(d, w->objectName().toStdString())) {
            order << w->objectName();
        }
        w = w->nextInFocusChain();
    } while (w != first && order.size() < 20);
    return order;
}

void ExpectMenu(QWidget& form, const FormDescription& d) {
    auto* bar = form.findChild<QMenuBar*>(FormText(d.menuName));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(AccessibleText(bar, QAccessible::Name), FormText(d.menuAccessibleName));
    ASSERT_EQ(bar->actions().size(), static_cast<qsizetype>(d.menu.size()));
    for (const MenuDescription& menu : d.menu) {
        auto* entries = bar->findChild<QMenu*>(FormText(menu.name));
        ASSERT_NE(entries, nullptr);
        EXPECT_EQ(entries->title(), FormText(menu.caption));
        EXPECT_EQ(AccessibleText(entries, QAccessible::Name), FormText(menu.accessibleName));
        const QList<QAction*> actions = entries->actions();
        ASSERT_EQ(actions.size(), static_cast<qsizetype>(menu.items.size()));
        for (std::size_t i = 0; i < menu.items.size(); ++i) {
            const MenuItemDescription& item = menu.items[i];
            QAction* action = actions[static_cast<qsizetype>(i)];
            EXPECT_EQ(action->objectName(), FormText(item.name));
            EXPECT_EQ(action->isSeparator(), item.caption.empty());
            EXPECT_EQ(action->text(), FormText(item.caption));
            EXPECT_EQ(action->shortcut(), item.shortcut == 0
                                              ? QKeySequence()
                                              : QKeySequence(QtKeyForVirtualKey(item.shortcut)));
        }
    }
}

// A form laid out from its description: the form, its controls, the tab
// order, the focus, the default button and the menu.
void ExpectForm(QWidget& form, const FormDescription& d) {
    EXPECT_EQ(form.objectName(), FormText(d.name));
    EXPECT_EQ(form.windowTitle(), FormText(d.caption));
    ExpectFont(form.font(), d.font);
    EXPECT_EQ(AccessibleText(&form, QAccessible::Name),
              FormText(d.accessibleName.empty() ? d.caption : d.accessibleName));
    EXPECT_EQ(AccessibleText(&form, QAccessible::Description), FormText(d.accessibleDescription));
    if (!d.icon.empty()) {
        EXPECT_EQ(form.windowIcon().availableSizes().value(0), QSize(32, 32));
    }
    const QSize size(d.geometry.width, d.geometry.height);
    if (d.frame == FormFrame::FixedDialog) {
        EXPECT_EQ(form.pos(), QPoint(d.geometry.left, d.geometry.top));
        EXPECT_EQ(form.minimumSize(), size);
        EXPECT_EQ(form.maximumSize(), size);
    } else {
        EXPECT_EQ(form.size(), size);
    }
    for (const ControlDescription& control : d.controls) {
        ExpectControl(form, control);
    }
    EXPECT_EQ(TabOrderOf(form, d), [&] {
        QStringList names;
        for (std::string_view name : d.tabOrder) {
            names << FormText(name);
        }
        return names;
    }());
    const std::string_view focus = d.focus.empty() ? d.tabOrder.front() : d.focus;
    EXPECT_EQ(form.focusWidget(), form.findChild<QWidget*>(FormText(focus)));
    for (const ControlDescription& c : d.controls) {
        if (auto* button = qobject_cast<QPushButton*>(form.findChild<QWidget*>(FormText(c.name)))) {
            EXPECT_EQ(button->isDefault(), c.name == d.defaultButton) << c.name;
        }
    }
    if (!d.menu.empty()) {
        ExpectMenu(form, d);
    }
}

// A message box as it is open: caption, icon, buttons, default and cancel.
void ExpectMessageBox(QWidget* shown, const FormDescription& d) {
    auto* box = qobject_cast<QMessageBox*>(shown);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->objectName(), FormText(d.name));
    EXPECT_EQ(box->windowTitle(), FormText(d.caption));
    EXPECT_EQ(AccessibleText(box, QAccessible::Name), FormText(d.accessibleName));
    int buttons = 0;
    for (const ControlDescription& c : d.controls) {
        SCOPED_TRACE(std::string(c.name));
        if (c.kind == ControlKind::Picture) {
            EXPECT_EQ(box->icon(),
                      c.picture == "question" ? QMessageBox::Question : QMessageBox::Critical);
            auto* icon = box->findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"));
            ASSERT_NE(icon, nullptr);
            EXPECT_EQ(AccessibleText(icon, QAccessible::Name), FormText(c.accessibleName));
            continue;
        }
        auto* button = box->findChild<QPushButton*>(FormText(c.name));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), FormText(c.text));
        ++buttons;
    }
    EXPECT_EQ(box->buttons().size(), buttons);
    EXPECT_EQ(box->defaultButton()->objectName(), FormText(d.defaultButton));
    EXPECT_EQ(box->escapeButton()->objectName(), FormText(d.cancelButton));
    box->close();
}

TEST_F(MainWindowTest, EveryFormIsBuiltAsDescribed) {
    for (const FormDescription* d : AllForms()) {
        SCOPED_TRACE(std::string(d->name));
        if (d->frame == FormFrame::MessageBox) {
            QWidget* shown = RunModal(
                [&] {
                    d->name == "QuestionBox" ? void(AskYesNo(QStringLiteral("?")))
                                             : ShowErrorBox(QStringLiteral("!"));
                },
                [&](QWidget* modal) { ExpectMessageBox(modal, *d); });
            EXPECT_NE(shown, nullptr);
        } else if (d->frame == FormFrame::MainWindow) {
            // As stored, before FormCreate sizes it and sets its texts.
            Forms forms;
            TMainKryvet stored(forms);
            ExpectForm(stored, *d);
        } else {
            auto* form = window_->findChild<QDialog*>(FormText(d->name));
            ASSERT_NE(form, nullptr);
            ExpectForm(*form, *d);
        }
    }
}

}  // namespace
