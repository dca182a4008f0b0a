#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "forms/form_description.h"

class QFileDialog;
class QWidget;

namespace kryvet {

// Qt's form of a classic filter ("description|patterns|..."): one
// "description (patterns)" entry per pair, "*.*" given as "*" so that it
// also matches names without a dot.
QStringList QtNameFilters(const QString& classicFilter);

// What the user confirmed in the file-open dialog.
struct OpenDialogChoice {
    QString path;
    QString nameFilter;
};

// Shows the dialog and returns the confirmed choice, nothing when it was
// cancelled.
using OpenDialogRunner = std::function<std::optional<OpenDialogChoice>(QFileDialog&)>;

// The file-open dialog OpenDialog1 as the main window uses it: Qt's own
// dialog with the described filter, reopened at the path and filter that
// were confirmed last, not at what was browsed to and cancelled.
class OpenDialogAdapter {
public:
    OpenDialogAdapter(QWidget& owner, const ControlDescription& description);

    // Shows the dialog; the choice, unremembered until Remember takes it.
    std::optional<OpenDialogChoice> Show();
    void Remember(const OpenDialogChoice& choice);

    // Tests stand in for the user here.
    OpenDialogRunner Run;

private:
    QFileDialog* dialog_;
    OpenDialogChoice last_;
};

}  // namespace kryvet
