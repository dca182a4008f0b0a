#include "app/qt_settings.h"

#include <QSettings>

namespace kryvet {

void KeepQtSettingsOffDisk() {
    const QString nowhere = QStringLiteral("/dev/null");
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, nowhere);
        QSettings::setPath(format, QSettings::SystemScope, nowhere);
    }
}

}  // namespace kryvet
