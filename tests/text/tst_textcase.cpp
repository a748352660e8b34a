#include "textcase.h"

#include <QRandomGenerator>
#include <QTest>

// Proper case and lower case, as the name, address and e-mail fields get them.
class TestTextCase : public QObject {
    Q_OBJECT

private slots:
    void proper_data();
    void proper();
    void lower_data();
    void lower();
    void properties();
};

void TestTextCase::proper_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("converted");
    // clang-format off
    QTest::newRow("all capitals") << "MARIA DA SILVA DOS SANTOS" << "Maria Da Silva Dos Santos";
    QTest::newRow("all small") << "josé de alencar" << "José De Alencar";
    QTest::newRow("accented capitals") << "ÉLIO CONCEIÇÃO ÂNGELA" << "Élio Conceição Ângela";
    QTest::newRow("hyphen is no separator") << "ana-maria SANTA-RITA" << "Ana-maria Santa-rita";
    QTest::newRow("apostrophe is no separator") << "D'ÁVILA o'neil" << "D'ávila O'neil";
    QTest::newRow("roman numeral and abbreviation") << "RUA PIO XII, APTO 3 - CJ. B" << "Rua Pio Xii, Apto 3 - Cj. B";
    QTest::newRow("starts with a number") << "123 RUA DAS FLORES" << "123 Rua Das Flores";
    QTest::newRow("digit before letters") << "3a avenida" << "3a Avenida";
    QTest::newRow("leading and repeated blanks kept") << "  rua   nova  " << "  Rua   Nova  ";
    QTest::newRow("other separators") << QString("a\tb\nc\vd\fe\rf") + QChar(0) + "g" << QString("A\tB\nC\vD\fE\rF") + QChar(0) + "G";
    QTest::newRow("punctuation starts no word") << "(centro) /sul .norte" << "(centro) /sul .norte";
    QTest::newRow("sharp s stays one letter") << "STRAßE ßo" << "Straße ßo";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("non-letter symbols untouched") << "Ⓐ ⓑ ½" << "Ⓐ ⓑ ½";
    // clang-format on
}

void TestTextCase::proper()
{
    QFETCH(QString, typed);
    QTEST(textcase::proper(typed), "converted");
}

void TestTextCase::lower_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("converted");
    QTest::newRow("capitals") << "Maria.Silva@Example.COM"
                              << "maria.silva@example.com";
    QTest::newRow("accented") << "JOÃO@EXAMPLE.COM.BR"
                              << "joão@example.com.br";
    QTest::newRow("other characters unchanged") << "A+B_C-1@X.Y"
                                                << "a+b_c-1@x.y";
    QTest::newRow("blanks") << "  A  "
                            << "  a  ";
}

void TestTextCase::lower()
{
    QFETCH(QString, typed);
    QTEST(textcase::lower(typed), "converted");
}

// Over many generated texts: the length never changes, converting twice gives the
// same as once, and nothing but letters ever changes.
void TestTextCase::properties()
{
    const QString alphabet =
        QStringLiteral("aAbBzZçÇãÃéÉíÍõÕüÜßñÑœŒǆǄǅſΣσςДдİıﬁ 0 9-'.,/()\t\n\r\v\f_@ⒶⓐḞ𝐀😀𐐀𐐨");
    QList<uint> points;
    for (uint c : alphabet.toUcs4())
        points << c;
    points << 0;
    QRandomGenerator random(20261207);
    for (int round = 0; round < 5000; ++round) {
        QList<uint> chosen;
        const int length = random.bounded(0, 24);
        for (int i = 0; i < length; ++i)
            chosen << points.at(random.bounded(int(points.size())));
        const QString text =
            QString::fromUcs4(reinterpret_cast<const char32_t*>(chosen.constData()), chosen.size());
        for (const auto convert : {&textcase::proper, &textcase::lower}) {
            const QString once = convert(text);
            QCOMPARE(once.size(), text.size());
            QCOMPARE(convert(once), once);
            for (qsizetype i = 0; i < text.size(); ++i) {
                if (!text.at(i).isLetter() && !text.at(i).isSurrogate())
                    QCOMPARE(once.at(i), text.at(i));
            }
        }
    }
}

QTEST_APPLESS_MAIN(TestTextCase)
#include "tst_textcase.moc"
