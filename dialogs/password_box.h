#pragma once

#include <QValidator>
#include <cstddef>
#include <string>

class QLineEdit;

// Most bytes a password may take in its Shift-JIS (CP932) form.
inline constexpr std::size_t kPasswordMaxBytes = 50;

// Refuses any text whose CP932 form is longer than the limit or that holds a
// character without a CP932 form. QLineEdit undoes an edit the validator
// refuses, so a key press or a paste that would overflow changes nothing.
class Cp932LimitValidator : public QValidator {
    Q_OBJECT
public:
    Cp932LimitValidator(std::size_t maxBytes, QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;

private:
    std::size_t maxBytes_;
};

// Makes the box a password box: the byte limit, every character shown as "*".
void SetUpPasswordBox(QLineEdit& box);

// The box's text in CP932, the form the engine stores and compares. The
// validator keeps the text convertible; should a character still lack a
// form, it becomes "?", as the platform's conversion would make it.
std::string PasswordCp932Bytes(const QLineEdit& box);
