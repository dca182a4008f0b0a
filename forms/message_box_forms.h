#pragma once

#include <string>

#include "forms/form_description.h"

namespace kryvet {

// The two message boxes, laid out by the system. Their controls are the
// icon (a Picture whose picture names the system's icon) and the buttons.
// While one is open the program's other windows are blocked; the window that
// was active is active again after.

// The error box: the stop icon and one OK button. Its text is the error's
// message followed by kErrorBoxTextEnd, always, also after a full stop.
const FormDescription& ErrorBoxForm();
inline constexpr std::string_view kErrorBoxTextEnd = ".";

// The question box: the question icon, はい and いいえ; いいえ is the default
// and also what Esc and the close box answer, so that saying yes takes a
// deliberate choice.
const FormDescription& QuestionBoxForm();

// The question whether to finish an interrupted encryption (or decryption)
// whose recovery record was made for another file.
std::string ForeignRecordQuestion(bool encryption);

}  // namespace kryvet
