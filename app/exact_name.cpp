#include "app/exact_name.h"

#include <dirent.h>

#include <QFile>
#include <QObject>
#include <QUrl>

#include "dialogs/error_box.h"

namespace kryvet {

namespace {

const QString kNameRefused = QStringLiteral(
    "ファイル名に、この環境で扱えない文字が含まれています。名前を変えてから指定してください");

// Whether `folder` holds an entry other than `name` that reads as the same text.
bool HasLookAlike(const QByteArray& folder, const QByteArray& name) {
    DIR* dir = opendir(folder.constData());
    if (dir == nullptr) {
        return false;  // nothing to compare with; the file checks report what is wrong
    }
    const QString text = QFile::decodeName(name);
    bool found = false;
    while (const dirent* entry = readdir(dir)) {
        const QByteArray other(entry->d_name);
        if (other != name && QFile::decodeName(other) == text) {
            found = true;
            break;
        }
    }
    closedir(dir);
    return found;
}

}  // namespace

bool SurvivesAsText(const QByteArray& path) {
    return QFile::encodeName(QFile::decodeName(path)) == path;
}

QByteArray LocalPathBytes(const QUrl& url) {
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

bool AmbiguousAsText(const QString& absolutePath) {
    const QByteArray path = QFile::encodeName(absolutePath);
    for (qsizetype start = 1; start < path.size();) {
        qsizetype end = path.indexOf('/', start);
        if (end < 0) {
            end = path.size();
        }
        const QByteArray folder = start == 1 ? QByteArray("/") : path.left(start - 1);
        if (end > start && HasLookAlike(folder, path.mid(start, end - start))) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

void RefuseNameLater(QObject* context) {
    QMetaObject::invokeMethod(
        context, [] { ShowErrorBox(kNameRefused); }, Qt::QueuedConnection);
}

}  // namespace kryvet
