#include "oneline.h"

#include <QTest>

// Pasted text as one line holds it.
class TestOneLine : public QObject {
    Q_OBJECT

private slots:
    void oneLine_data();
    void oneLine();
};

void TestOneLine::oneLine_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("kept");
    // clang-format off
    QTest::newRow("spreadsheet cell") << "Ana Souza\r\n" << "Ana Souza";
    QTest::newRow("breaks at both ends") << "\n\nAna\n" << "Ana";
    QTest::newRow("break inside") << "Rua A\nCasa 2" << "Rua A Casa 2";
    QTest::newRow("CR LF inside") << "a\r\nb" << "a b";
    QTest::newRow("tab") << "a\tb" << "a b";
    QTest::newRow("NUL and bell") << QString::fromUtf16(u"A\0B\aC", 5) << "ABC";
    QTest::newRow("C1 control") << QString::fromUtf16(u"A\u0085B\u009bC") << "ABC";
    QTest::newRow("direction override") << QString::fromUtf16(u"abc\u202edef") << "abcdef";
    QTest::newRow("isolates") << QString::fromUtf16(u"\u2066x\u2069") << "x";
    QTest::newRow("emoji joiner stays") << QString::fromUtf16(u"👩\u200d💻") << QString::fromUtf16(u"👩\u200d💻");
    QTest::newRow("blanks stay") << "  Ana  " << "  Ana  ";
    // clang-format on
}

void TestOneLine::oneLine()
{
    QFETCH(QString, pasted);
    QFETCH(QString, kept);
    QCOMPARE(textline::oneLine(pasted), kept);
}

QTEST_APPLESS_MAIN(TestOneLine)
#include "tst_oneline.moc"
