#include "dialogs/password_box.h"

#include <QApplication>
#include <QLineEdit>
#include <QProxyStyle>

#include <stdexcept>

#include "engine/cp932.h"
#include "widgets/cp932_validator.h"

namespace kryvet {

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

void SetUpPasswordBox(QLineEdit& box) {
    // As many bytes as the header has room for.
    LimitTypedBytes(box, kPasswordFieldSize);
    auto* style = new PasswordMaskStyle(QApplication::style()->name());
    style->setParent(&box);
    box.setStyle(style);
    box.setEchoMode(QLineEdit::Password);
}

std::string PasswordCp932Bytes(const QLineEdit& box) {
    if (auto bytes = Utf8ToCp932(box.text().toStdString())) {
        return *bytes;
    }
    throw std::runtime_error("パスワードにシフトJISで表せない文字があります");
}

}  // namespace kryvet
