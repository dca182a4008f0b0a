#pragma once

#include <stdexcept>
#include <string>

namespace kryvet {

// An error of the file services that ends an operation and is shown in the
// application's error box. The message is UTF-8, without the final full stop
// that the box appends.
class IoError : public std::runtime_error {
public:
    // From an errno value; the message comes from ErrnoMessage.
    static IoError FromErrno(int errnoValue);
    // From one of the classic runtime error numbers (2, 3, 4, 5, 100, 101, 106).
    static IoError FromClassicCode(int code);
    // A file that the encrypted layout cannot represent.
    static IoError FileTooLarge();
    // The file changed between its measurement and the exclusive open.
    static IoError FileChanged();

    int code() const { return code_; }

private:
    IoError(int code, const std::string& message);
    int code_;
};

// Text for a classic runtime error number; other numbers give "I/O ｴﾗｰ (n)".
std::string ClassicErrorMessage(int code);

// errno mapped to the classic number where one fits, otherwise 0.
int ClassicCodeForErrno(int errnoValue);

// Text for an errno value: the classic text where one fits, otherwise
// "I/O ｴﾗｰ (errno)" (errno 5 is EIO, never "access denied").
std::string ErrnoMessage(int errnoValue);

}  // namespace kryvet
