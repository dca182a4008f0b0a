#include "dialogs/padlock_notice.h"

#include <QLabel>
#include <QPushButton>

#include "dialogs/form_builder.h"
#include "forms/notice_forms.h"

namespace kryvet {

PadlockNotice::PadlockNotice(const FormDescription& description, QWidget* parent)
    : NoticeForm(description, parent),
      Image1(Built<QLabel>(*this, "Image1")),
      Label1(Built<QLabel>(*this, "Label1")),
      Button1(Built<QPushButton>(*this, "Button1")) {}

TExitAnko1::TExitAnko1(QWidget* parent) : PadlockNotice(ExitAnko1Form(), parent) {}

TNoAngo1::TNoAngo1(QWidget* parent) : PadlockNotice(NoAngo1Form(), parent) {}

}  // namespace kryvet
