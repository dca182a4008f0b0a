// The byte limit of the edit boxes, counted in Shift-JIS.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <vector>

#include "widgets/cp932_validator.h"

namespace kryvet {
namespace {

TEST(Cp932LimitValidator, CountsShiftJisBytes) {
    struct Case {
        QString text;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {QString(128, u'a'), true},
        {QString(129, u'a'), false},
        {QString(64, u'あ'), true},  // 2 bytes each
        {QString(64, u'あ') + u'a', false},
        {QString(127, u'a') + u'ｱ', true},  // half-width katakana: 1 byte
        {QString(126, u'a') + u'漢', true},
        {QString(127, u'a') + u'漢', false},
        {QStringLiteral("\u3000"), true},  // ideographic space: 2 bytes
        {QStringLiteral("€"), false},      // no Shift-JIS form
        {QString(), true},
    };
    Cp932LimitValidator validator(128);
    for (Case c : cases) {
        int pos = 0;
        const QValidator::State state = validator.validate(c.text, pos);
        EXPECT_EQ(state == QValidator::Acceptable, c.accepted) << c.text.toStdString();
    }
}

TEST(Cp932LimitValidator, TypingStopsAtTheLimit) {
    QLineEdit edit;
    edit.setValidator(new Cp932LimitValidator(6, &edit));
    QTest::keyClicks(&edit, "abcd");
    QKeyEvent kana(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("あ"));
    QApplication::sendEvent(&edit, &kana);
    QApplication::sendEvent(&edit, &kana);  // would make 8 bytes
    QTest::keyClicks(&edit, "xy");
    EXPECT_EQ(edit.text(), QStringLiteral("abcdあ"));
    // The program may still set a longer text itself.
    edit.setText(QString(20, u'z'));
    EXPECT_EQ(edit.text(), QString(20, u'z'));
}

}  // namespace
}  // namespace kryvet
