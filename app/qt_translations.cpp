#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace kryvet {

QTranslator* InstallQtTranslations(QObject* owner) {
    auto* translator = new QTranslator(owner);
    // Japanese whatever the desktop's language: the whole interface is.
    if (!translator->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

}  // namespace kryvet
