#pragma once

#include "engine/file_layout.h"

#include <cstddef>
#include <string>

class QLineEdit;

namespace kryvet {

// Makes the box a password box: the byte limit, every character shown as "*".
void SetUpPasswordBox(QLineEdit& box);

// The box's text in CP932, the form the engine stores and compares. The
// byte limit keeps the text convertible; a character without a form is an
// error (std::runtime_error), never replaced by a look-alike.
std::string PasswordCp932Bytes(const QLineEdit& box);

}  // namespace kryvet
