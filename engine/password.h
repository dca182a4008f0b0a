#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

#include "engine/file_layout.h"

// A password as the layout stores it: 1 to 50 Shift-JIS bytes, every
// character one that has a Shift-JIS form (never replaced by a substitute).
// Only these rules make one, so no front end hands the rewrite a password
// the file could not keep. Its bytes are wiped when it ends; moved, never
// copied.
namespace kryvet {

constexpr std::size_t kPasswordMaxBytes = kPasswordFieldSize;

// Why a text is no password, for the front end to say.
struct PasswordProblem {
    enum class Kind {
        Empty,
        TooLong,         // `bytes` Shift-JIS bytes, more than kPasswordMaxBytes
        NoShiftJisForm,  // `character` (its UTF-8 bytes) has none
        NotText,         // not valid UTF-8 (or, given as bytes, not valid Shift-JIS)
    };
    Kind kind = Kind::Empty;
    std::size_t bytes = 0;
    std::string character;
};

class Password {
public:
    // From a typed text in UTF-8.
    static std::variant<Password, PasswordProblem> FromUtf8(std::string_view text);
    // From Shift-JIS bytes, such as a box that only takes Shift-JIS text gives.
    static std::variant<Password, PasswordProblem> FromShiftJis(std::string_view bytes);

    Password(Password&& other) noexcept;
    Password& operator=(Password&& other) noexcept;
    Password(const Password&) = delete;
    Password& operator=(const Password&) = delete;
    ~Password();

    const std::string& shiftJis() const { return bytes_; }

private:
    explicit Password(std::string_view bytes);
    void Wipe();

    std::string bytes_;
};

}  // namespace kryvet
