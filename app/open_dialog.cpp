#include "app/open_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "dialogs/form_builder.h"

namespace kryvet {

namespace {

// The classic dialog matched "*.*" against every name, also one without a
// dot; Qt's pattern for that is "*".
QString QtPattern(const QString& classicPattern) {
    return classicPattern == QStringLiteral("*.*") ? QStringLiteral("*") : classicPattern;
}

// With the patterns hidden, Qt reports the chosen filter by its description
// alone; the whole entry is what selects it again.
QString WholeNameFilter(const QFileDialog& dialog) {
    const QString shown = dialog.selectedNameFilter();
    for (const QString& filter : dialog.nameFilters()) {
        if (filter == shown || filter.startsWith(shown + QStringLiteral(" ("))) {
            return filter;
        }
    }
    return shown;
}

std::optional<OpenDialogChoice> ExecOpenDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return OpenDialogChoice{dialog.selectedFiles().value(0), WholeNameFilter(dialog)};
}

}  // namespace

QStringList QtNameFilters(const QString& classicFilter) {
    const QStringList parts = classicFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'));
        for (QString& pattern : patterns) {
            pattern = QtPattern(pattern);
        }
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters;
}

OpenDialogAdapter::OpenDialogAdapter(QWidget& owner, const ControlDescription& description)
    : Run(ExecOpenDialog), dialog_(new QFileDialog(&owner)) {
    dialog_->setObjectName(FormText(description.name));
    dialog_->setAccessibleName(FormText(description.accessibleName));
    // Qt's own dialog behaves the same everywhere and can be driven in tests.
    dialog_->setOption(QFileDialog::DontUseNativeDialog);
    dialog_->setFileMode(QFileDialog::AnyFile);
    dialog_->setAcceptMode(QFileDialog::AcceptOpen);
    dialog_->setNameFilters(QtNameFilters(FormText(description.text)));
    // The list shows the descriptions alone, as the form has them; the
    // patterns Qt matches with may differ from the ones they name.
    dialog_->setOption(QFileDialog::HideNameFilterDetails);
}

std::optional<OpenDialogChoice> OpenDialogAdapter::Show() {
    dialog_->selectNameFilter(last_.nameFilter.isEmpty() ? dialog_->nameFilters().value(0)
                                                         : last_.nameFilter);
    if (last_.path.isEmpty()) {
        dialog_->setDirectory(QDir::currentPath());
        dialog_->selectFile(QString());
    } else {
        const QFileInfo last(last_.path);
        dialog_->setDirectory(last.absolutePath());
        dialog_->selectFile(last.fileName());
    }
    return Run(*dialog_);
}

void OpenDialogAdapter::Remember(const OpenDialogChoice& choice) {
    last_ = choice;
}

}  // namespace kryvet
