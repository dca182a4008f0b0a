#pragma once

#include "forms/form_description.h"

namespace kryvet {

// The password request, and its confirmation when encrypting: the same
// controls, each at its own place under its own caption.
const FormDescription& PasswordDlgForm();
const FormDescription& PasswordDlg2Form();

}  // namespace kryvet
