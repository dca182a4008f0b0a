#include "dialogs/recovered_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "dialogs/form_builder.h"
#include "forms/notice_forms.h"

namespace kryvet {

TRecovered1::TRecovered1(QWidget* parent)
    : NoticeForm(Recovered1Form(), parent),
      Image1(Built<QLabel>(*this, "Image1")),
      Label1(Built<QLabel>(*this, "Label1")),
      Button1(Built<QPushButton>(*this, "Button1")) {}

void TRecovered1::SetFinished(Finished finished) {
    static_assert(std::size(kRecoveredTexts) == 4, "one text for each Finished");
    Label1->setText(FormText(kRecoveredTexts[static_cast<int>(finished)]));
    setAccessibleDescription(Label1->text());
}

}  // namespace kryvet
