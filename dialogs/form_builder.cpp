#include "dialogs/form_builder.h"

#include <QFont>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "dialogs/password_box.h"
#include "dialogs/picture_button.h"
#include "dialogs/pictures.h"
#include "widgets/gauge.h"
#include "widgets/tcolor.h"

namespace kryvet {

QString FormText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString PictureResource(std::string_view picture) {
    return QStringLiteral(":/pictures/") + FormText(picture) + QStringLiteral(".xpm");
}

QFont FormFont(const FontDescription& font) {
    QFont qt(FormText(font.face));
    qt.setPixelSize(font.pixelHeight);
    return qt;
}

void SetUpForm(QWidget& form, const FormDescription& description) {
    form.setObjectName(FormText(description.name));
    form.setWindowTitle(FormText(description.caption));
    if (!description.font.face.empty()) {
        form.setFont(FormFont(description.font));
    }
    if (!description.icon.empty()) {
        form.setWindowIcon(QIcon(PictureResource(description.icon)));
    }
    if (!description.accessibleName.empty()) {
        form.setAccessibleName(FormText(description.accessibleName));
    }
    if (!description.accessibleDescription.empty()) {
        form.setAccessibleDescription(FormText(description.accessibleDescription));
    }
    const FormRect& at = description.geometry;
    if (description.frame == FormFrame::FixedDialog) {
        form.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
        form.setFixedSize(at.width, at.height);
        // An explicit move also keeps QDialog from centring the form over its
        // parent when it is shown.
        form.move(at.left, at.top);
    } else if (description.frame == FormFrame::MainWindow) {
        form.resize(at.width, at.height);
    }
}

void SetBackgroundColor(QWidget& control, StoredColor color) {
    QPalette palette = control.palette();
    palette.setColor(QPalette::Window, ResolveColor(color));
    control.setPalette(palette);
    control.setAutoFillBackground(true);
    control.setProperty("Color", static_cast<uint>(color));
}

namespace {

QWidget* MakeLabel(QWidget* parent, const ControlDescription& c) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(FormText(c.text));
    const FormRect& at = c.geometry;
    if (at.width == 0) {
        label->move(at.left, at.top);
        label->adjustSize();
        return label;
    }
    // The designed sizes fit the classic bitmap font; where the substitute
    // font runs wider, the label grows to the right rather than cut its text.
    const QSize needed = label->sizeHint();
    label->setGeometry(at.left, at.top, std::max(at.width, needed.width()),
                       std::max(at.height, needed.height()));
    return label;
}

// Drawn opaque on the form's button face, at the size of its picture.
QWidget* MakePicture(QWidget* parent, const ControlDescription& c) {
    auto* picture = new QLabel(parent);
    const QImage image =
        OnButtonFace(QImage(PictureResource(c.picture)), parent->palette().color(QPalette::Window));
    picture->setPixmap(CrispPixmap(image));
    picture->setGeometry(c.geometry.left, c.geometry.top, image.width(), image.height());
    return picture;
}

QWidget* MakeGauge(QWidget* parent, const ControlDescription& c) {
    auto* gauge = new TGauge(parent);
    if (c.color != kParentColor) {
        gauge->SetColor(c.color);
    }
    if (c.foreColor != kParentColor) {
        gauge->SetForeColor(c.foreColor);
    }
    gauge->SetBorderStyle(c.border ? bsSingle : bsNone);
    gauge->SetProgress(c.value);
    return gauge;
}

QWidget* MakePanel(QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    return panel;
}

// The widget of a drawn control, at its designed place; nullptr for the
// kinds that are not drawn.
QWidget* MakeWidget(QWidget* parent, const ControlDescription& c) {
    const QString text = FormText(c.text);
    QWidget* widget = nullptr;
    switch (c.kind) {
        case ControlKind::Label:
            return MakeLabel(parent, c);
        case ControlKind::Picture:
            return MakePicture(parent, c);
        case ControlKind::Edit:
        case ControlKind::PasswordEdit: {
            auto* edit = new QLineEdit(parent);
            edit->setFrame(c.border);
            if (c.kind == ControlKind::PasswordEdit) {
                SetUpPasswordBox(*edit);
            }
            widget = edit;
            break;
        }
        case ControlKind::Button:
            widget = new QPushButton(text, parent);
            break;
        case ControlKind::PictureButton:
            widget = new PictureButton(text, PictureResource(c.picture), parent);
            break;
        case ControlKind::Panel:
            widget = MakePanel(parent);
            break;
        case ControlKind::Gauge:
            widget = MakeGauge(parent, c);
            break;
        case ControlKind::Timer:
        case ControlKind::OpenDialog:
            return nullptr;
    }
    const FormRect& at = c.geometry;
    widget->setGeometry(at.left, at.top, at.width, at.height);
    return widget;
}

void BuildControl(QWidget& client, const ControlDescription& c) {
    if (c.kind == ControlKind::Timer) {
        auto* timer = new QTimer(&client);
        timer->setObjectName(FormText(c.name));
        timer->setInterval(c.value);
        return;
    }
    QWidget* parent = c.parent.empty() ? &client : Built<QWidget>(client, c.parent);
    QWidget* widget = MakeWidget(parent, c);
    if (widget == nullptr) {
        return;
    }
    widget->setObjectName(FormText(c.name));
    if (!c.accessibleName.empty()) {
        widget->setAccessibleName(FormText(c.accessibleName));
    }
    if (!c.font.face.empty()) {
        widget->setFont(FormFont(c.font));
    }
    if (c.color != kParentColor && c.kind == ControlKind::Label) {
        SetBackgroundColor(*widget, c.color);
    }
    if (!c.visible) {
        widget->hide();
    }
}

}  // namespace

void BuildControls(QWidget& client, const FormDescription& description) {
    for (const ControlDescription& control : description.controls) {
        BuildControl(client, control);
    }
    const auto& order = description.tabOrder;
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(Built<QWidget>(client, order[i - 1]),
                             Built<QWidget>(client, order[i]));
    }
    if (!description.defaultButton.empty()) {
        Built<QPushButton>(client, description.defaultButton)->setDefault(true);
    }
    const std::string_view focus =
        description.focus.empty() && !order.empty() ? order.front() : description.focus;
    if (!focus.empty()) {
        Built<QWidget>(client, focus)->setFocus();
    }
}

}  // namespace kryvet
