#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

// Resource paths of the forms' pictures (16-colour drawings, see pictures/).
namespace pictures {
inline const QString kKey = QStringLiteral(":/pictures/key.xpm");
inline const QString kBrokenKey = QStringLiteral(":/pictures/key_broken.xpm");
inline const QString kOkDoor = QStringLiteral(":/pictures/ok_door.xpm");
inline const QString kCancelBook = QStringLiteral(":/pictures/cancel_book.xpm");
inline const QString kStruckFolder = QStringLiteral(":/pictures/folder_struck.xpm");
inline const QString kFullContainer = QStringLiteral(":/pictures/container_full.xpm");
inline const QString kClosedPadlock = QStringLiteral(":/pictures/padlock_closed.xpm");
inline const QString kOpenPadlock = QStringLiteral(":/pictures/padlock_open.xpm");
// The application's icon; the main window uses it too.
inline const QString kAppIcon = QStringLiteral(":/pictures/app_icon.xpm");
}  // namespace pictures

// The picture at a resource path; a null pixmap when the path is unknown.
QPixmap LoadPicture(const QString& path);

// The picture with every pixel of the lower-left pixel's colour made
// transparent, as button pictures are drawn.
QImage WithLowerLeftTransparent(const QImage& image);
