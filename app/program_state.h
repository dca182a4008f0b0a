#pragma once

namespace kryvet {

// What the operations remember from one press of a button to the next. The
// forms own the one instance; the main window hands it to the operations.
struct ProgramState {
    // Label2 stands in the window: a confirmation differed, and the password
    // has not been asked since. An encryption refused for its file name then
    // gives the focus back to its button.
    bool MismatchShown = false;
};

}  // namespace kryvet
