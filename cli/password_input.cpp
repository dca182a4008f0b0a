#include "cli/password_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "cli/messages.h"
#include "engine/cp932.h"

namespace kryvet::cli {

namespace {

constexpr std::size_t kLongestLine = 1024;

// Bytes of the UTF-8 sequence a lead byte starts; 1 for a stray byte.
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xf0) {
        return 4;
    }
    if (lead >= 0xe0) {
        return 3;
    }
    return lead >= 0xc0 ? 2 : 1;
}

bool WellFormed(std::string_view sequence) {
    if (sequence.size() != SequenceLength(static_cast<unsigned char>(sequence[0]))) {
        return false;
    }
    if (sequence.size() == 1) {
        return static_cast<unsigned char>(sequence[0]) < 0x80;
    }
    for (std::size_t i = 1; i < sequence.size(); ++i) {
        if ((static_cast<unsigned char>(sequence[i]) & 0xc0) != 0x80) {
            return false;
        }
    }
    return true;
}

std::string CodePointName(std::string_view sequence) {
    const auto lead = static_cast<unsigned char>(sequence[0]);
    const std::size_t n = sequence.size();
    unsigned value = n == 1 ? lead : lead & (0x7fu >> n);
    for (std::size_t i = 1; i < n; ++i) {
        value = (value << 6) | (static_cast<unsigned char>(sequence[i]) & 0x3fu);
    }
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", value);
    return name;
}

}  // namespace

PasswordCheck CheckPassword(std::string_view utf8) {
    PasswordCheck check;
    if (utf8.empty()) {
        check.problem = Tr("the password is empty");
        return check;
    }
    if (auto bytes = Utf8ToCp932(utf8)) {
        if (bytes->size() > kPasswordMaxBytes) {
            check.problem =
                Fill(Tr("the password is {1} Shift-JIS bytes long; at most {2} are "
                        "allowed"),
                     {std::to_string(bytes->size()), std::to_string(kPasswordMaxBytes)});
            return check;
        }
        check.cp932 = std::move(bytes);
        return check;
    }
    // Name the first character that has no form, so the user can find it.
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t n =
            std::min(SequenceLength(static_cast<unsigned char>(utf8[at])), utf8.size() - at);
        const std::string_view sequence = utf8.substr(at, n);
        if (!WellFormed(sequence)) {
            break;
        }
        if (!Utf8ToCp932(sequence)) {
            check.problem =
                Fill(Tr("the password has a character with no Shift-JIS form: \"{1}\" ({2})"),
                     {std::string(sequence), CodePointName(sequence)});
            return check;
        }
        at += n;
    }
    check.problem = Tr("the password is not valid UTF-8 text");
    return check;
}

std::optional<std::string> ReadFirstLine(int fd) {
    std::string line;
    char c = 0;
    for (bool first = true;; first = false) {
        const ssize_t n = read(fd, &c, 1);
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0 && first) {
            errno = 0;
            return std::nullopt;
        }
        if (n == 0 || c == '\n') {
            break;
        }
        // Whatever is longer than any password is refused by its length.
        if (line.size() < kLongestLine) {
            line += c;
        }
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

std::optional<std::string> ReadFirstLineOf(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    auto line = ReadFirstLine(fd);
    const int error = errno;
    close(fd);
    errno = error;
    return line;
}

}  // namespace kryvet::cli
