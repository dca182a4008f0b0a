#pragma once

class QObject;
class QTranslator;

namespace kryvet {

// Loads Qt's own Japanese texts (qtbase_ja: the file-open dialog, the edit
// boxes' context menus, the standard buttons) and installs them in the
// application. The program's own texts are Japanese already and are not
// translated. Returns the installed translator, owned by `owner`; deleting it
// takes the texts out again. Null when the translations are not installed.
QTranslator* InstallQtTranslations(QObject* owner);

}  // namespace kryvet
