#include "dialogs/password_box.h"

#include <QApplication>
#include <QLineEdit>
#include <QProxyStyle>

#include "engine/cp932.h"

namespace {

// QLineEdit takes its mask character from the style.
class PasswordMaskStyle : public QProxyStyle {
public:
    explicit PasswordMaskStyle(const QString& baseStyleName) : QProxyStyle(baseStyleName) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter) {
            return '*';
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

Cp932LimitValidator::Cp932LimitValidator(std::size_t maxBytes, QObject* parent)
    : QValidator(parent), maxBytes_(maxBytes) {}

QValidator::State Cp932LimitValidator::validate(QString& input, int&) const {
    const auto length = kryvet::Cp932Length(input.toStdString());
    if (!length || *length > maxBytes_) {
        return Invalid;
    }
    return Acceptable;
}

void SetUpPasswordBox(QLineEdit& box) {
    box.setValidator(new Cp932LimitValidator(kPasswordMaxBytes, &box));
    auto* style = new PasswordMaskStyle(QApplication::style()->name());
    style->setParent(&box);
    box.setStyle(style);
    box.setEchoMode(QLineEdit::Password);
}

std::string PasswordCp932Bytes(const QLineEdit& box) {
    const QString text = box.text();
    if (auto whole = kryvet::Utf8ToCp932(text.toStdString())) {
        return *whole;
    }
    std::string bytes;
    for (const char32_t codePoint : text.toUcs4()) {
        const auto one = kryvet::Utf8ToCp932(QString::fromUcs4(&codePoint, 1).toStdString());
        bytes += one ? *one : std::string("?");
    }
    return bytes;
}
