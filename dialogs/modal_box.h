#pragma once

#include <QString>
#include <string_view>

#include "forms/form_description.h"

namespace kryvet {

// Shows the message box that `description` describes, with `text`, modally
// over the whole program, and gives the window that was active back its
// activation afterwards. Returns the name of the button that closed it (Esc
// and the close box count as its cancel button).
std::string_view RunMessageBox(const FormDescription& description, const QString& text);

}  // namespace kryvet
