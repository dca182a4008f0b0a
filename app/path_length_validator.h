#pragma once

#include <QValidator>
#include <climits>

namespace kryvet {

// The longest path the system takes, in bytes of its file-system (UTF-8)
// form; PATH_MAX counts the terminating zero.
inline constexpr qsizetype kMaxPathBytes = PATH_MAX - 1;

// Lets the file-name box take every character and any name up to the
// system's path limit. Typing past the limit is refused whole, never cut or
// changed: a longer name could not be opened anyway.
class PathLengthValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override;
};

}  // namespace kryvet
