#include "widgets/cp932_validator.h"

#include <QLineEdit>
#include <memory>

#include "engine/cp932.h"

namespace kryvet {

Cp932LimitValidator::Cp932LimitValidator(std::size_t maxBytes, QObject* parent)
    : QValidator(parent), maxBytes_(maxBytes) {}

QValidator::State Cp932LimitValidator::validate(QString& input, int&) const {
    const QByteArray utf8 = input.toUtf8();
    const auto bytes = Cp932Length(std::string_view(utf8.constData(), utf8.size()));
    if (!bytes || *bytes > maxBytes_) {
        return Invalid;
    }
    return Acceptable;
}

void LimitTypedBytes(QLineEdit& box, std::size_t maxBytes) {
    auto* validator = new Cp932LimitValidator(maxBytes, &box);
    box.setValidator(validator);
    auto undoing = std::make_shared<bool>(false);
    QObject::connect(&box, &QLineEdit::textEdited, &box, [&box, validator, undoing](QString text) {
        int position = 0;
        if (*undoing || validator->validate(text, position) != QValidator::Invalid) {
            return;
        }
        // The box held an over-long text already: take the edit back unless
        // it made the text shorter.
        *undoing = true;
        const qsizetype edited = text.size();
        box.undo();
        if (box.text().size() > edited) {
            box.redo();
        }
        *undoing = false;
    });
}

}  // namespace kryvet
