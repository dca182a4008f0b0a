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

// A path longer than the limit, put in by the program, cannot be made longer
// by typing; deleting from it still works, and typing works again once the
// text fits.
TEST(Cp932LimitValidator, TypingCannotLengthenAnOverLongText) {
    QLineEdit box;
    LimitTypedBytes(box, 10);
    box.setText(QStringLiteral("abcdefghijkl"));  // 12 bytes
    QTest::keyClick(&box, Qt::Key_X);
    EXPECT_EQ(box.text(), QStringLiteral("abcdefghijkl"));
    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(box.text(), QStringLiteral("abcdefghij"));
    QTest::keyClick(&box, Qt::Key_Y);
    EXPECT_EQ(box.text(), QStringLiteral("abcdefghij")) << "at the limit";
    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClick(&box, Qt::Key_Z);
    EXPECT_EQ(box.text(), QStringLiteral("abcdefghiz"));
}

}  // namespace
}  // namespace kryvet
