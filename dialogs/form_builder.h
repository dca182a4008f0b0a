#pragma once

#include <QString>
#include <QWidget>
#include <stdexcept>
#include <string>
#include <string_view>

#include "forms/form_description.h"

class QFont;

namespace kryvet {

// The Qt text of a description's UTF-8 text.
QString FormText(std::string_view text);
// The resource of a description's picture name.
QString PictureResource(std::string_view picture);
// The font a description names, at its character height.
QFont FormFont(const FontDescription& font);

// The form itself as described: object name, caption, font and accessible
// texts; a fixed dialog also gets its frame, client size and position, a
// main window its designed size and icon.
void SetUpForm(QWidget& form, const FormDescription& description);

// Makes every drawn control of the description in `client`, in order (a
// control on a panel inside that panel), with its name, geometry, text,
// colours and visibility; then the tab order, the focus and the default
// button. Timers become QTimers of `client`; the file-open dialog is left to
// the form.
void BuildControls(QWidget& client, const FormDescription& description);

// Gives a label (or any control) a background colour of its own, not the
// window's.
void SetBackgroundColor(QWidget& control, StoredColor color);

// The control of that name that BuildControls made; a missing one is an
// error in the form (std::logic_error).
template <typename T>
T* Built(const QObject& form, std::string_view name) {
    if (auto* control = form.findChild<T*>(FormText(name))) {
        return control;
    }
    throw std::logic_error("no control " + std::string(name) + " in " +
                           form.objectName().toStdString());
}

}  // namespace kryvet
