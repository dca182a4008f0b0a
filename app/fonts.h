#pragma once

namespace kryvet {

// Maps the classic face names the forms use ("System", "ＭＳ 明朝") to the
// Japanese fonts installed here and sets the application font, so that text
// renders and the absolute layout does not shift.
void InstallApplicationFonts();

}  // namespace kryvet
