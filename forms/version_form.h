#pragma once

#include "forms/form_description.h"

namespace kryvet {

// The version box: the product's name and version on a raised panel, and OK.
const FormDescription& VersionDlgForm();

}  // namespace kryvet
