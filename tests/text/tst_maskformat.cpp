#include "maskformat.h"

#include <QtTest>

using maskformat::EditResult;

namespace {
const QString Phone = QStringLiteral("(##) ####-####");
const QString Cep = QStringLiteral("##.###-###");
const QString Full = QStringLiteral("(11) 9876-5432");
const QString Empty = QStringLiteral("(__) ____-____");
} // namespace

class TestMaskFormat : public QObject {
    Q_OBJECT

private slots:
    void emptyText();
    void fits_data();
    void fits();
    void typeSequence_data();
    void typeSequence();
    void edit_data();
    void edit();
    void growing_data();
    void growing();
    void settled_data();
    void settled();
    void phoneShape_data();
    void phoneShape();
};

void TestMaskFormat::emptyText()
{
    QCOMPARE(maskformat::emptyText(Phone), Empty);
    // A point, whatever the locale says.
    QLocale::setDefault(QLocale("pt_BR"));
    QCOMPARE(maskformat::emptyText(Cep), QString("__.___-___"));
    QLocale::setDefault(QLocale::c());
}

void TestMaskFormat::fits_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");

    // clang-format off
    QTest::newRow("full") << Phone << Full << true;
    QTest::newRow("prompts") << Phone << "(_1) ____-__3_" << true;
    QTest::newRow("one short") << Phone << "(11) 9876-543" << false;
    QTest::newRow("one long") << Phone << "(11) 9876-54321" << false;
    QTest::newRow("empty") << Phone << "" << false;
    QTest::newRow("letter") << Phone << "(1a) 9876-5432" << false;
    QTest::newRow("space as blank") << Phone << "(1 ) 9876-5432" << false;
    QTest::newRow("other digit") << Phone << QString::fromUtf8("(1\u0661) 9876-5432") << false;
    QTest::newRow("literal wrong") << Phone << "(11)-9876-5432" << false;
    QTest::newRow("prompt on literal") << Phone << "_11) 9876-5432" << false;
    QTest::newRow("'.'") << Cep << "12.345-678" << true;
    QTest::newRow("',' as saved under a comma locale") << Cep << "12,3__-___" << true;
    QTest::newRow("';'") << Cep << "12;345-678" << false;
    QTest::newRow("mobile") << maskformat::MobilePattern << "(11) 98765-4321" << true;
    // clang-format on
}

void TestMaskFormat::fits()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(maskformat::fits(pattern, text), expected);
}

void TestMaskFormat::typeSequence_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("cursor");

    // clang-format off
    QTest::newRow("phone") << Phone << "1198765432" << Full << 14;
    QTest::newRow("skips ') '") << Phone << "11" << "(11) ____-____" << 5;
    QTest::newRow("non-digits refused") << Phone << "a1b1 9-8.765x432" << Full << 14;
    QTest::newRow("full refuses") << Phone << "119876543299" << Full << 14;
    QTest::newRow("cep") << Cep << "12345678" << "12.345-678" << 10;
    QTest::newRow("skips '.'") << Cep << "12" << "12.___-___" << 3;
    // clang-format on
}

// Types keys one by one into an empty field from its start, carrying the caret
// along as the widget does.
void TestMaskFormat::typeSequence()
{
    QFETCH(QString, pattern);
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    QFETCH(int, cursor);

    EditResult state{maskformat::emptyText(pattern), 0, true};
    for (QChar ch : keys) {
        const EditResult next = maskformat::typeChar(pattern, state.text, state.cursor, 0, ch);
        if (next.accepted)
            state = next;
        else
            QCOMPARE(next.text, state.text);
    }
    QCOMPARE(state.text, expected);
    QCOMPARE(state.cursor, cursor);
}

void TestMaskFormat::edit_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("arg");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("cursor");

    const QString arabicOne(QChar(0x0661));
    // clang-format off
    QTest::newRow("type overtypes") << "type" << Phone << Full << 1 << 0 << "2" << true << "(21) 9876-5432" << 2;
    QTest::newRow("type on literal") << "type" << Phone << "(11) ____-____" << 3 << 0 << "9" << true << "(11) 9___-____" << 6;
    QTest::newRow("type last") << "type" << Phone << "(11) 9876-543_" << 13 << 0 << "2" << true << Full << 14;
    QTest::newRow("type over selection") << "type" << Phone << Full << 5 << 4 << "3" << true << "(11) 3___-5432" << 6;
    QTest::newRow("type over literals") << "type" << Phone << Full << 2 << 6 << "5" << true << "(15) ___6-5432" << 5;
    QTest::newRow("type letter") << "type" << Phone << Full << 5 << 4 << "x" << false << Full << 5;
    QTest::newRow("type other digit") << "type" << Phone << Empty << 0 << 0 << arabicOne << false << Empty << 0;
    QTest::newRow("type at end") << "type" << Phone << Full << 14 << 0 << "1" << false << Full << 14;
    QTest::newRow("type on last literal") << "type" << "(##)" << "(12)" << 3 << 0 << "1" << false << "(12)" << 3;
    QTest::newRow("type wrong length") << "type" << Phone << "(11)" << 1 << 0 << "1" << false << "(11)" << 1;
    QTest::newRow("bs over ') '") << "bs" << Phone << Full << 5 << 0 << "" << true << "(1_) 9876-5432" << 2;
    QTest::newRow("bs over '.'") << "bs" << Cep << "12.345-678" << 3 << 0 << "" << true << "1_.345-678" << 1;
    QTest::newRow("bs at first") << "bs" << Phone << Full << 1 << 0 << "" << false << Full << 1;
    QTest::newRow("bs selection") << "bs" << Phone << Full << 0 << 14 << "" << true << Empty << 0;
    QTest::newRow("del over ' '") << "del" << Phone << Full << 4 << 0 << "" << true << "(11) _876-5432" << 4;
    QTest::newRow("del at end") << "del" << Phone << Full << 14 << 0 << "" << false << Full << 14;
    QTest::newRow("del selection") << "del" << Phone << Full << 7 << 5 << "" << true << "(11) 98__-__32" << 7;
    QTest::newRow("del literals only") << "del" << Phone << Full << 3 << 2 << "" << true << Full << 3;
    QTest::newRow("paste formatted") << "paste" << Phone << Empty << 0 << 0 << Full << true << Full << 14;
    QTest::newRow("paste too many") << "paste" << Phone << Empty << 0 << 0 << "11 98765-43210" << true << Full << 14;
    QTest::newRow("paste at caret") << "paste" << Phone << "(11) ____-____" << 5 << 0 << "1234" << true << "(11) 1234-____" << 10;
    QTest::newRow("paste over selection") << "paste" << Phone << Full << 0 << 14 << "21" << true << "(21) ____-____" << 5;
    QTest::newRow("paste no digits") << "paste" << Phone << Full << 0 << 14 << "abc" << false << Full << 0;
    QTest::newRow("paste at end") << "paste" << Phone << Full << 14 << 0 << "1" << false << Full << 14;
    QTest::newRow("paste cep") << "paste" << Cep << "__.___-___" << 0 << 0 << "01310-100" << true << "01.310-100" << 10;
    // clang-format on
}

void TestMaskFormat::edit()
{
    QFETCH(QString, op);
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, arg);
    QFETCH(bool, accepted);
    QFETCH(QString, expected);
    QFETCH(int, cursor);

    EditResult result;
    if (op == "type")
        result = maskformat::typeChar(pattern, text, start, length, arg.at(0));
    else if (op == "bs")
        result = maskformat::backspace(pattern, text, start, length);
    else if (op == "del")
        result = maskformat::deleteForward(pattern, text, start, length);
    else
        result = maskformat::paste(pattern, text, start, length, arg);
    QCOMPARE(result.accepted, accepted);
    QCOMPARE(result.text, expected);
    QCOMPARE(result.cursor, cursor);
}

void TestMaskFormat::growing_data()
{
    QTest::addColumn<QString>("pattern"); // the one the text is in
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("digits");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("cursor");

    const QString Mobile = maskformat::MobilePattern;
    const QString Grown = "(11) 98765-4321";
    // clang-format off
    QTest::newRow("eleventh digit at the end grows") << Phone << Full << 14 << 0 << "1" << true << Grown << 15;
    QTest::newRow("not at the end: no room") << Phone << Full << 13 << 0 << "1" << true << "(11) 9876-5431" << 14;
    QTest::newRow("not full: no growing") << Phone << "(11) 9876-543_" << 14 << 0 << "1" << false << "(11) 9876-543_" << 14;
    QTest::newRow("selection: no growing") << Phone << Full << 10 << 4 << "1" << true << "(11) 9876-1___" << 11;
    QTest::newRow("grown is full") << Mobile << Grown << 15 << 0 << "1" << false << Grown << 15;
    QTest::newRow("eleven digits typed") << Phone << Empty << 0 << 0 << "11987654321" << true << Grown << 15;
    QTest::newRow("ten stay narrow") << Phone << Empty << 0 << 0 << "1133334444" << true << "(11) 3333-4444" << 14;
    QTest::newRow("twelve refused whole") << Phone << Empty << 0 << 0 << "119876543210" << false << Empty << 0;
    QTest::newRow("no digits") << Phone << Empty << 0 << 0 << "" << false << Empty << 0;
    // clang-format on
}

void TestMaskFormat::growing()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, digits);
    QFETCH(bool, accepted);
    QFETCH(QString, expected);
    QFETCH(int, cursor);
    const maskformat::GrowResult r = maskformat::typeGrowing(Phone, maskformat::MobilePattern,
                                                             pattern, text, start, length, digits);
    QCOMPARE(r.edit.accepted, accepted);
    QCOMPARE(r.edit.text, expected);
    QCOMPARE(r.edit.cursor, cursor);
    QVERIFY(maskformat::fits(r.pattern, r.edit.text));
    // Back to the narrow shape, the last digit gone.
    if (r.pattern == maskformat::MobilePattern)
        QCOMPARE(maskformat::relaid(r.pattern, r.edit.text, Phone), Full);
}

// Pattern, text and caret after an edit, and the shape the field settles into.
void TestMaskFormat::settled_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("expected"); // in the narrow pattern, or "" to stay
    QTest::addColumn<int>("expectedCursor");

    const QString Mobile = maskformat::MobilePattern;
    // clang-format off
    QTest::newRow("ten digits typed over a mobile") << Mobile << "(11) 33334-444_" << 14 << "(11) 3333-4444" << 14;
    QTest::newRow("last digit deleted") << Mobile << "(11) 98765-432_" << 14 << Full << 14;
    QTest::newRow("last digits cut") << Mobile << "(11) 98765-____" << 11 << "(11) 9876-5___" << 11;
    QTest::newRow("gaps kept in order") << Mobile << "(1_) 9_765-432_" << 7 << "(1_) 9_76-5432" << 7;
    QTest::newRow("first digit typed over all") << Mobile << "(1_) _____-____" << 2 << "(1_) ____-____" << 2;
    QTest::newRow("emptied") << Mobile << "(__) _____-____" << 1 << Empty << 1;
    QTest::newRow("caret before the first position") << Mobile << "(__) _____-____" << 0 << Empty << 0;
    QTest::newRow("caret before a literal") << Mobile << "(11) 98765-432_" << 10 << "(11) 9876-5432" << 11;
    QTest::newRow("gap inside, last filled") << Mobile << "(11) 9876_-4321" << 10 << "" << 10;
    QTest::newRow("full mobile") << Mobile << "(11) 98765-4321" << 15 << "" << 15;
    QTest::newRow("narrow stays") << Phone << "(11) 9876-543_" << 13 << "" << 13;
    QTest::newRow("not the wide shape") << Mobile << "(11) 9876-5432" << 14 << "" << 14;
    // clang-format on
}

void TestMaskFormat::settled()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(int, cursor);
    QFETCH(QString, expected);
    QFETCH(int, expectedCursor);
    const maskformat::GrowResult r =
        maskformat::settled(Phone, maskformat::MobilePattern, pattern, text, cursor);
    QVERIFY(r.edit.accepted);
    QCOMPARE(r.pattern, expected.isEmpty() ? pattern : Phone);
    QCOMPARE(r.edit.text, expected.isEmpty() ? text : expected);
    QCOMPARE(r.edit.cursor, expectedCursor);
}

// Which pattern a phone field's digits take; "" for none.
void TestMaskFormat::phoneShape_data()
{
    QTest::addColumn<QString>("held");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("dropped");

    const QString Mobile = maskformat::MobilePattern;
    const QString NonGeo = maskformat::NonGeographicPattern;
    const QString Local = maskformat::LocalPattern;
    // clang-format off
    QTest::newRow("nothing") << "" << Local << Phone << 0;
    QTest::newRow("0 waits") << "0" << Phone << NonGeo << 0;
    QTest::newRow("08 waits") << "08" << Phone << NonGeo << 0;
    QTest::newRow("third position empty waits") << "08_0727" << NonGeo << NonGeo << 0;
    QTest::newRow("0800") << "080" << NonGeo << NonGeo << 0;
    QTest::newRow("0300 whole") << "03001234567" << Phone << NonGeo << 0;
    QTest::newRow("0300 and more") << "030012345678" << NonGeo << "" << 0;
    QTest::newRow("trunk 0 dropped") << "011" << NonGeo << Phone << 1;
    QTest::newRow("trunk 0, mobile") << "011987654321" << Mobile << Mobile << 1;
    QTest::newRow("00 then a digit") << "001" << NonGeo << NonGeo << 1;
    QTest::newRow("area code digit") << "4" << Phone << Phone << 0;
    QTest::newRow("second digit 0") << "40" << Phone << Local << 0;
    QTest::newRow("4004-0001") << "40040001" << Local << Local << 0;
    QTest::newRow("ninth after 4004") << "400400012" << Local << "" << 0;
    QTest::newRow("area code and number") << "1133334444" << Mobile << Phone << 0;
    QTest::newRow("eleventh digit") << "11987654321" << Phone << Mobile << 0;
    QTest::newRow("twelfth digit") << "119876543210" << Mobile << "" << 0;
    QTest::newRow("prompts at the end do not count") << "1133334444_" << Mobile << Phone << 0;
    QTest::newRow("gap first keeps 4004") << "_0040001" << Local << Local << 0;
    QTest::newRow("gap first keeps 0800") << "_8007270101" << NonGeo << NonGeo << 0;
    QTest::newRow("gap first in an area code") << "_133334444" << Phone << Phone << 0;
    // clang-format on
}

void TestMaskFormat::phoneShape()
{
    QFETCH(QString, held);
    QFETCH(QString, current);
    QFETCH(QString, pattern);
    QFETCH(int, dropped);
    const maskformat::PhoneShape shape = maskformat::phoneShape(held, current);
    QCOMPARE(shape.pattern, pattern);
    if (pattern.isEmpty())
        return;
    QCOMPARE(shape.dropped, dropped);
    // Every digit kept, in order, in a position of the pattern.
    QCOMPARE(shape.held.size(), pattern.count('#'));
    QCOMPARE(QString(shape.held).remove('_'), QString(held.mid(dropped)).remove('_'));
}

QTEST_APPLESS_MAIN(TestMaskFormat)
#include "tst_maskformat.moc"
