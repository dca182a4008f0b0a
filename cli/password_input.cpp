#include "cli/password_input.h"

#ifdef _WIN32
#include "cli/posix_compat_windows.h"
#else
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/messages.h"
#include "cli/utf8_text.h"
#include "engine/cp932.h"

namespace kryvet::cli {

namespace {

constexpr std::size_t kBlock = 256;

bool IsUtf8(const std::string& codeset) {
    return codeset == "UTF-8" || codeset == "utf8" || codeset == "ANSI_X3.4-1968";
}

// The typed text as UTF-8, or nothing where it is no text of the codeset.
std::optional<Secret> ToUtf8(std::string_view typed, const std::string& codeset) {
    Secret out;
    if (IsUtf8(codeset)) {
        out.bytes().append(typed);
        return out;
    }
    iconv_t convert = iconv_open("UTF-8", codeset.c_str());
    if (convert == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    // Four bytes of UTF-8 at most for each one typed: within the room.
    std::string& bytes = out.bytes();
    bytes.resize(typed.size() * 4);
    char* in = const_cast<char*>(typed.data());
    std::size_t inLeft = typed.size();
    char* to = bytes.data();
    std::size_t toLeft = bytes.size();
    const bool converted =
        iconv(convert, &in, &inLeft, &to, &toLeft) != static_cast<size_t>(-1) &&
        iconv(convert, nullptr, nullptr, &to, &toLeft) != static_cast<size_t>(-1);
    iconv_close(convert);
    if (!converted) {
        return std::nullopt;
    }
    bytes.resize(bytes.size() - toLeft);
    return out;
}

std::string CodePointName(char32_t value) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(value));
    return name;
}

}  // namespace

std::string LocaleCodeset() {
    return nl_langinfo(CODESET);
}

PasswordCheck CheckPassword(std::string_view typed, const std::string& codeset) {
    PasswordCheck check;
    if (typed.empty()) {
        check.problem = Tr("the password is empty");
        return check;
    }
    const std::optional<Secret> utf8 = ToUtf8(typed, codeset);
    if (!utf8) {
        check.problem = Fill(
            Tr("the password is not valid text in the locale's character set ({1})"), {codeset});
        return check;
    }
    auto made = Password::FromUtf8(utf8->bytes());
    if (auto* password = std::get_if<Password>(&made)) {
        check.password = std::move(*password);
        return check;
    }
    const PasswordProblem& problem = std::get<PasswordProblem>(made);
    switch (problem.kind) {
        case PasswordProblem::Kind::Empty:
            check.problem = Tr("the password is empty");
            break;
        case PasswordProblem::Kind::TooLong:
            check.problem =
                Fill(Tr("the password is {1} Shift-JIS bytes long; at most {2} are "
                        "allowed"),
                     {std::to_string(problem.bytes), std::to_string(kPasswordMaxBytes)});
            break;
        case PasswordProblem::Kind::NoShiftJisForm:
            check.problem = Fill(
                Tr("the password has a character with no Shift-JIS form: \"{1}\" ({2})"),
                {QuotedName(problem.character), CodePointName(Utf8At(problem.character, 0).value)});
            break;
        case PasswordProblem::Kind::NotText:
            check.problem = Tr("the password is not valid UTF-8 text");
            break;
    }
    return check;
}

LineRead ReadFirstLine(int fd, int wakeFd) {
    LineRead read;
    std::string& line = read.line.bytes();
    char block[kBlock];
    for (;;) {
        if (wakeFd >= 0) {
            pollfd waits[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
            if (poll(waits, 2, -1) < 0 && errno != EINTR) {
                read.end = LineRead::End::Error;
                read.error = errno;
                break;
            }
            if (waits[1].revents != 0) {
                read.end = LineRead::End::Stopped;
                break;
            }
            if (waits[0].revents == 0) {
                continue;
            }
        }
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            read.end = LineRead::End::Error;
            read.error = errno;
            break;
        }
        if (n == 0) {
            read.end = line.empty() ? LineRead::End::NoInput : LineRead::End::Line;
            break;
        }
        const auto* newline = static_cast<const char*>(std::memchr(block, '\n', n));
        const std::size_t take = newline ? static_cast<std::size_t>(newline - block) : n;
        if (line.size() + take > kLongestLine) {
            read.end = LineRead::End::TooLong;
            break;
        }
        line.append(block, take);
        if (newline) {
            break;
        }
    }
    explicit_bzero(block, sizeof block);
    if (read.end == LineRead::End::Line && !line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    if (read.end == LineRead::End::Line && line.find('\0') != std::string::npos) {
        read.end = LineRead::End::HasNul;
    }
    if (read.end != LineRead::End::Line) {
        read.line.Wipe();
    }
    return read;
}

LineRead ReadFirstLineOf(const std::string& path, bool& exposed) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        LineRead failed;
        failed.end = LineRead::End::Error;
        failed.error = errno;
        return failed;
    }
    struct stat status {};
    exposed = fstat(fd, &status) == 0 && (status.st_mode & (S_IRGRP | S_IROTH)) != 0;
    LineRead read = ReadFirstLine(fd);
    close(fd);
    return read;
}

std::string LineProblem(const LineRead& read) {
    switch (read.end) {
        case LineRead::End::Line:
            return {};
        case LineRead::End::NoInput:
            return Tr("the password is empty");
        case LineRead::End::TooLong:
            return Fill(Tr("the password line is longer than {1} bytes; a password has at most "
                           "{2} Shift-JIS bytes"),
                        {std::to_string(kLongestLine), std::to_string(kPasswordMaxBytes)});
        case LineRead::End::HasNul:
            return Tr("the password line holds a NUL byte");
        case LineRead::End::Stopped:
            return Tr("the password was not given: the run was interrupted");
        case LineRead::End::Error:
            break;
    }
    return Fill(Tr("cannot read the password: {1}"), {std::strerror(read.error)});
}

}  // namespace kryvet::cli
