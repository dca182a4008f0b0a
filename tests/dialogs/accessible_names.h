#pragma once

#include <QAccessible>
#include <QStringList>
#include <QWidget>

// What assistive technology reads for a widget through Qt's accessibility
// interface.
inline QString AccessibleText(QWidget* widget, QAccessible::Text text) {
    QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(widget);
    return seen != nullptr ? seen->text(text) : QStringLiteral("<no interface>");
}

// The form and every widget in it that gives assistive technology no name,
// by object name (or class name where it has none). Containers that only
// group named controls (a client area, a row of buttons) need none.
// `skip` and what it holds are left out.
inline QStringList Unnamed(QWidget* form, const QWidget* skip = nullptr) {
    QStringList unnamed;
    QList<QWidget*> widgets = form->findChildren<QWidget*>();
    widgets.prepend(form);
    for (QWidget* widget : widgets) {
        if (skip != nullptr && (widget == skip || skip->isAncestorOf(widget))) {
            continue;
        }
        QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(widget);
        const bool container =
            seen != nullptr && widget != form && seen->childCount() > 0 &&
            (seen->role() == QAccessible::Client || seen->role() == QAccessible::Grouping ||
             seen->role() == QAccessible::Pane);
        if (!container && AccessibleText(widget, QAccessible::Name).trimmed().isEmpty()) {
            unnamed << (widget->objectName().isEmpty()
                            ? QString::fromLatin1(widget->metaObject()->className())
                            : widget->objectName());
        }
    }
    return unnamed;
}
