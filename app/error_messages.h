#pragma once

#include <stdexcept>
#include <string>

#include "engine/run_result.h"

// The texts of the error box for what the engine reports. UTF-8, without the
// final full stop that the box appends.
namespace kryvet {

// An operation that ended in an error for the error box to show.
class OperationError : public std::runtime_error {
public:
    explicit OperationError(const Failure& failure);
    const Failure& failure() const { return failure_; }

private:
    Failure failure_;
};

// Text for a classic runtime error number; other numbers give "I/O ｴﾗｰ (n)".
std::string ClassicErrorMessage(int code);
// errno mapped to the classic number where one fits, otherwise 0.
int ClassicCodeForErrno(int errnoValue);
// Text for an errno value: the classic text where one fits, otherwise
// "I/O ｴﾗｰ (errno)" (errno 5 is EIO, never "access denied").
std::string ErrnoMessage(int errnoValue);

// The cause of a failure, and below it what became of the file.
std::string FailureMessage(const Failure& failure);

}  // namespace kryvet
