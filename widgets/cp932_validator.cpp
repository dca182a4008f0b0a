#include "widgets/cp932_validator.h"

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

}  // namespace kryvet
