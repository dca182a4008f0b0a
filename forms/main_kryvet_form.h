#pragma once

#include "forms/form_description.h"

namespace kryvet {

// The main window: the file-name box, the operation buttons and menu, the
// status labels, the progress gauge, the notice timer and the file-open
// dialog.
const FormDescription& MainKryvetForm();

// A look of the status label LaRun.
struct StatusLook {
    std::string_view caption;
    StoredColor color;
};

// LaRun after creation, while encrypting, while decrypting and once idle
// again; the spaces are ideographic (U+3000) but the last.
inline constexpr StatusLook kStatusAfterCreation{"\u3000\u3000\u3000 ", 0x8000000F};
inline constexpr StatusLook kStatusEncrypting{"暗号の作業中 ", 255};
inline constexpr StatusLook kStatusDecrypting{"復号の作業中 ", 65280};
inline constexpr StatusLook kStatusIdle{"\u3000\u3000\u3000\u3000\u3000\u3000 ", 0x8000000F};

// The outer size FormCreate gives the window, from the sizes of BuFindFile
// and EditFileName as they are when it runs.
struct OuterSize {
    int width;
    int height;
};
constexpr OuterSize MainKryvetOuterSize(int findFileWidth, int findFileHeight, int editHeight) {
    return {4 * findFileWidth + editHeight, 7 * findFileHeight + editHeight};
}

}  // namespace kryvet
