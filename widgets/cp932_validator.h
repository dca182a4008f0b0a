#pragma once

#include <QValidator>
#include <cstddef>

class QLineEdit;

namespace kryvet {

// Limits what can be typed into an edit box to a number of bytes of the
// text's Shift-JIS (CP932) form, the way the classic boxes counted: ASCII and
// half-width katakana take one byte, other characters two. A character that
// has no CP932 form cannot be typed at all, as it could not be stored.
// Text set by the program is not checked, as with the original limit.
class Cp932LimitValidator : public QValidator {
    Q_OBJECT
public:
    Cp932LimitValidator(std::size_t maxBytes, QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;
    std::size_t MaxBytes() const { return maxBytes_; }

private:
    std::size_t maxBytes_;
};

// Limits typing into the box to maxBytes of its CP932 form. Qt stops checking
// edits once the program has put a longer text into the box (a long path from
// the file-open dialog); typing must then still not make it longer, while
// deleting stays possible.
void LimitTypedBytes(QLineEdit& box, std::size_t maxBytes);

}  // namespace kryvet
