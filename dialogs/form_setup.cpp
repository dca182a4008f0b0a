#include "dialogs/form_setup.h"

#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "dialogs/pictures.h"

namespace kryvet {

void SetUpFixedForm(QDialog& form, const QString& caption, FormGeometry geometry) {
    form.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    form.setWindowTitle(caption);
    QFont font(QStringLiteral("System"));
    font.setPixelSize(13);
    form.setFont(font);
    form.setFixedSize(geometry.width, geometry.height);
    // An explicit move also keeps QDialog from centring the form over its
    // parent when it is shown.
    form.move(geometry.left, geometry.top);
}

namespace {

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(text);
    return label;
}

}  // namespace

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                 int width, int height) {
    QLabel* label = NewLabel(parent, name, text);
    // The designed sizes fit the classic bitmap font; where the substitute
    // font runs wider, the label grows to the right rather than cut its text.
    const QSize needed = label->sizeHint();
    label->setGeometry(left, top, std::max(width, needed.width()),
                       std::max(height, needed.height()));
    return label;
}

QLabel* AddAutoSizeLabel(QWidget* parent, const char* name, const QString& text, int left,
                         int top) {
    QLabel* label = NewLabel(parent, name, text);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QLabel* AddPicture(QWidget* parent, const char* name, const QString& resource, int left, int top,
                   const QString& description) {
    auto* picture = new QLabel(parent);
    picture->setObjectName(QString::fromLatin1(name));
    picture->setAccessibleName(description);
    const QImage image = OnButtonFace(QImage(resource), parent->palette().color(QPalette::Window));
    picture->setPixmap(CrispPixmap(image));
    picture->setGeometry(left, top, image.width(), image.height());
    return picture;
}

QPushButton* AddButton(QWidget* parent, const char* name, const QString& caption, int left, int top,
                       int width, int height) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(left, top, width, height);
    return button;
}

NoticeForm::NoticeForm(const char* name, const QString& caption, FormGeometry geometry,
                       QWidget* parent)
    : QDialog(parent) {
    setObjectName(QString::fromLatin1(name));
    SetUpFixedForm(*this, caption, geometry);
}

void NoticeForm::reject() {
    done(kModalCancel);
}

void NoticeForm::InstallOkButton(QPushButton* button) {
    button->setAutoDefault(true);
    button->setDefault(true);
    button->setFocus();
    connect(button, &QPushButton::clicked, this, [this] { done(kModalOk); });
}

void NoticeForm::keyPressEvent(QKeyEvent* event) {
    // No button is a cancel button, so Esc must not close the notice.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace kryvet
