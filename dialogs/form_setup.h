#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace kryvet {

// Designed client size and screen position of a form.
struct FormGeometry {
    int left;
    int top;
    int width;
    int height;
};

// A fixed dialog frame (no resizing, no minimise or maximise box, a close
// box), the caption, the "System" font at 13 pixels, the client size and
// the screen position the form opens at.
void SetUpFixedForm(QDialog& form, const QString& caption, FormGeometry geometry);

// A label at a fixed place showing its text as written (spaces kept); it is
// never smaller than its text.
QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                 int width, int height);
// A label sized to its text, as labels are that have no designed size.
QLabel* AddAutoSizeLabel(QWidget* parent, const char* name, const QString& text, int left, int top);
// A picture sized to its pixmap, drawn opaque on the form's button face;
// `description` says what it shows, for assistive technology.
QLabel* AddPicture(QWidget* parent, const char* name, const QString& resource, int left, int top,
                   const QString& description);
// A plain push button.
QPushButton* AddButton(QWidget* parent, const char* name, const QString& caption, int left, int top,
                       int width, int height);

// The notices and the version box: one button with modal result 1 that has
// the focus and is the default, so Enter or Space presses it; Esc does
// nothing; the close box closes with 2.
class NoticeForm : public QDialog {
    Q_OBJECT
public:
    // The form's object name, caption and geometry, as SetUpFixedForm takes them.
    NoticeForm(const char* name, const QString& caption, FormGeometry geometry, QWidget* parent);

    void reject() override;

protected:
    void InstallOkButton(QPushButton* button);
    void keyPressEvent(QKeyEvent* event) override;
};

// Modal results of the forms.
inline constexpr int kModalOk = 1;
inline constexpr int kModalCancel = 2;

}  // namespace kryvet
