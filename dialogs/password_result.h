#pragma once

#include <string>

namespace kryvet {

// What asking for the password came to: the password dialog answers with it
// and the operations decide from it, so neither looks into the other's
// controls. Free of Qt, as the operations are.
struct PasswordResult {
    // NotGiven: cancelled, closed, or OK with an empty box; also a cancelled
    // confirmation. Mismatch: the confirmation differed.
    enum class Answer { Given, NotGiven, Mismatch };
    Answer answer = Answer::NotGiven;
    // Given only: the password in its Shift-JIS (CP932) form, 1 to 50 bytes.
    std::string bytes;
};

}  // namespace kryvet
