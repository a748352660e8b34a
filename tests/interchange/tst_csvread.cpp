#include "csvread.h"

#include <QTest>

// CSV as spreadsheets and address books write it.
class TestCsvRead : public QObject {
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void read_data();
    void read();
};

void TestCsvRead::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("text");
    QTest::newRow("UTF-8") << QByteArray("S\xC3\xA3o") << true << "São";
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBFS\xC3\xA3o") << true << "São";
    QTest::newRow("Windows-1252") << QByteArray("S\xE3o \x80 \x93x\x94") << true
                                  << QString::fromUtf16(u"São € “x”");
    QTest::newRow("neither") << QByteArray("S\xE3o \x81") << false << "";
}

void TestCsvRead::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);
    QFETCH(QString, text);
    bool decoded = false;
    QCOMPARE(interchange::decodeText(bytes, &decoded), text);
    QCOMPARE(decoded, ok);
}

void TestCsvRead::read_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("header");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QList<int>>("lines");
    QTest::addColumn<QString>("error");
    const QStringList nameMail = {"Nome", "Email"};
    // clang-format off
    QTest::newRow("semicolons, CRLF") << "Nome;Email\r\nAna;a@b.c\r\n" << nameMail
        << QList<QStringList>{{"Ana", "a@b.c"}} << QList<int>{2} << "";
    QTest::newRow("commas, no last line end") << "Nome,Email\nAna,a@b.c" << nameMail
        << QList<QStringList>{{"Ana", "a@b.c"}} << QList<int>{2} << "";
    QTest::newRow("tabs") << "Nome\tEmail\nAna\ta;b" << nameMail
        << QList<QStringList>{{"Ana", "a;b"}} << QList<int>{2} << "";
    QTest::newRow("quotes, separators and breaks inside") << "Nome;Email\n\"Zé \"\"D\"\";\nx\";y\nBia;z\n"
        << nameMail << QList<QStringList>{{"Zé \"D\";\nx", "y"}, {"Bia", "z"}} << QList<int>{2, 4} << "";
    QTest::newRow("empty lines skipped") << "Nome;Email\n\nAna;x\n\n" << nameMail
        << QList<QStringList>{{"Ana", "x"}} << QList<int>{3} << "";
    QTest::newRow("quote left open") << "Nome;Email\nAna;\"x\n" << nameMail
        << QList<QStringList>{} << QList<int>{} << "Aspas abertas na linha 2";
    QTest::newRow("empty file") << "" << QStringList() << QList<QStringList>{} << QList<int>{}
        << "não tem linha de cabeçalho";
    // clang-format on
}

void TestCsvRead::read()
{
    QFETCH(QString, text);
    QFETCH(QStringList, header);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QList<int>, lines);
    QFETCH(QString, error);
    const interchange::CsvTable table = interchange::readCsv(text);
    QVERIFY2(error.isEmpty() ? table.error.isEmpty()
                             : table.error.startsWith(error) || table.error.contains(error),
             qPrintable(table.error));
    if (!error.isEmpty())
        return;
    QCOMPARE(table.header, header);
    QCOMPARE(table.rows, rows);
    QCOMPARE(table.lines, lines);
    // A long line comes in pieces cut anywhere past the header line: in a
    // doubled quote, in a CR LF.
    for (qsizetype cut = text.indexOf(u'\n') + 1; cut < text.size(); ++cut) {
        QStringList pieces = {text.left(cut), text.mid(cut)};
        const interchange::CsvTable inTwo =
            interchange::collect([&](const interchange::RowSink& sink) {
                return interchange::readCsv(
                    [&pieces](QString* piece) {
                        return !pieces.isEmpty() && (*piece = pieces.takeFirst(), true);
                    },
                    sink);
            });
        QCOMPARE(inTwo.rows, rows);
        QCOMPARE(inTwo.lines, lines);
    }
}

QTEST_APPLESS_MAIN(TestCsvRead)
#include "tst_csvread.moc"
