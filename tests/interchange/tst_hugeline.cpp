#include "import.h"
#include "oneline.h"
#include "testdb.h"
#include "vcardread.h"

#include <QTemporaryDir>
#include <QTest>

// Hostile files of a few megabytes, each line one huge value: every reader
// goes through them in time that grows with their length. The test's time
// limit is the guard.
class TestHugeLine : public QObject {
    Q_OBJECT

private slots:
    void readers_data();
    void readers();
};

namespace {
constexpr qsizetype Huge = 5 << 20;
}

void TestHugeLine::readers_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("content");
    QByteArray card = "BEGIN:VCARD\r\nFN:Ana\r\nX-NOTE;ENCODING=QUOTED-PRINTABLE;";
    while (card.size() < Huge)
        card += "ab=\r\n";
    QTest::newRow("vCard: soft breaks, no colon") << "vcard" << card + "c\r\nEND:VCARD\r\n";
    QTest::newRow("vCard: one long quoted-printable name")
        << "vcard"
        << "BEGIN:VCARD\r\nFN;ENCODING=QUOTED-PRINTABLE:" +
               QByteArray(Huge / 3, 'a').replace("a", "=41") + "\r\nEND:VCARD\r\n";
    QTest::newRow("CSV: quoted cell")
        << "csv"
        << "Nome;Email\r\n\"" + QByteArray(Huge, 'x').replace("xxxx", "x\"\"\n") + "\";a@b.c\r\n";
    QTest::newRow("CSV: Windows-1252 cell, record by record")
        << "csv"
        << "Nome;Email\r\nJo\xC3\xA3o;j@x\r\n\"" +
               QByteArray(Huge, '\xE9').replace("\xE9\xE9", "\xE9\n") + "\";a@b.c\r\n";
    QTest::newRow("CSV: phone cell") << "csv"
                                     << "Nome;Telefone\r\nAna;" + QByteArray(Huge, '9') + "\r\n";
    QTest::newRow("one line") << "oneline" << QByteArray(Huge, 'a').replace("aaaa", "a\r\n\t");
}

void TestHugeLine::readers()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    if (kind == "oneline") {
        QVERIFY(!textline::oneLine(QString::fromLatin1(content)).contains(u'\n'));
        return;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("c.db");
    testdb::createEmpty(path);
    QVERIFY(testdb::writeFile(dir.filePath("f"), content));
    const interchange::ImportSummary s = interchange::importFile(path, dir.filePath("f"));
    QVERIFY2(!s.error, qPrintable(s.error.text));
    QCOMPARE(s.imported, kind == "csv" && content.contains('\xE9') ? 2 : 1);
}

QTEST_GUILESS_MAIN(TestHugeLine)
#include "tst_hugeline.moc"
