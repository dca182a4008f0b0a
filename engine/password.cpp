#include "engine/password.h"

#include <optional>
#include <utility>

#include "engine/cp932.h"
#include "engine/utf8.h"
#include "engine/wipe.h"

namespace kryvet {

namespace {

// Room for the longest password taken up front, so that no growth leaves a
// copy behind in freed memory.
constexpr std::size_t kRoom = 64;

// The first character of a text that cannot be converted: the one to name.
PasswordProblem FirstUnconvertible(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8At(text, at).bytes;
        if (length == 0) {
            break;
        }
        const std::string_view character = text.substr(at, length);
        if (!Utf8ToCp932(character)) {
            return {PasswordProblem::Kind::NoShiftJisForm, 0, std::string(character)};
        }
        at += length;
    }
    return {PasswordProblem::Kind::NotText, 0, {}};
}

void WipeString(std::string& bytes) {
    WipeBytes(bytes.data(), bytes.capacity());
    bytes.clear();
}

}  // namespace

std::variant<Password, PasswordProblem> Password::FromShiftJis(std::string_view bytes) {
    if (bytes.empty()) {
        return PasswordProblem{};
    }
    if (bytes.size() > kPasswordMaxBytes) {
        return PasswordProblem{PasswordProblem::Kind::TooLong, bytes.size(), {}};
    }
    std::optional<std::string> text = Cp932ToUtf8(bytes);
    const bool isText = text.has_value();
    if (isText) {
        WipeString(*text);
    }
    // The stored password ends at a zero byte: one inside could not be kept.
    if (!isText || bytes.find('\0') != std::string_view::npos) {
        return PasswordProblem{PasswordProblem::Kind::NotText, bytes.size(), {}};
    }
    return Password(bytes);
}

std::variant<Password, PasswordProblem> Password::FromUtf8(std::string_view text) {
    if (text.empty()) {
        return PasswordProblem{};
    }
    std::optional<std::string> bytes = Utf8ToCp932(text);
    if (!bytes) {
        return FirstUnconvertible(text);
    }
    std::variant<Password, PasswordProblem> made = FromShiftJis(*bytes);
    WipeString(*bytes);
    return made;
}

Password::Password(std::string_view bytes) {
    bytes_.reserve(kRoom);
    bytes_.assign(bytes);
}

// The bytes live in the room reserved, beyond the string's own buffer, so a
// move hands that room over and leaves no copy behind.
Password::Password(Password&& other) noexcept : bytes_(std::move(other.bytes_)) {
    other.Wipe();
}

Password& Password::operator=(Password&& other) noexcept {
    if (this != &other) {
        Wipe();
        bytes_ = std::move(other.bytes_);
        other.Wipe();
    }
    return *this;
}

Password::~Password() {
    Wipe();
}

void Password::Wipe() {
    WipeString(bytes_);
}

}  // namespace kryvet
