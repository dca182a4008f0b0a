#pragma once

#include <QByteArray>
#include <QString>

class QObject;
class QUrl;

// A file name reaches the window as bytes (the command line, a drop) or as
// text (the file-open dialog), and the file services get the bytes of the
// text back. Where bytes and text do not correspond one to one, another
// file, whose bytes the text stands for, would be changed; such a name is
// refused instead.
namespace kryvet {

// Whether the bytes of a local path come back unchanged from its text.
bool SurvivesAsText(const QByteArray& path);

// The bytes of a local file URL's path, decoded from the encoded URL itself:
// its text form has already replaced the bytes that are not UTF-8.
QByteArray LocalPathBytes(const QUrl& url);

// Whether the text of an absolute path could stand for more than one file:
// a folder on the way to it, or the file's own folder, holds an entry whose
// bytes differ from those of the text but read as the same text.
bool AmbiguousAsText(const QString& absolutePath);

// Shows the error box for a refused name once the event loop runs again,
// so that a drop or the start-up is over first.
void RefuseNameLater(QObject* context);

}  // namespace kryvet
