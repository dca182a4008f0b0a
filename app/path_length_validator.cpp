#include "app/path_length_validator.h"

#include <QFile>

namespace kryvet {

QValidator::State PathLengthValidator::validate(QString& input, int&) const {
    return QFile::encodeName(input).size() <= kMaxPathBytes ? Acceptable : Invalid;
}

}  // namespace kryvet
