#include "accessread.h"
#include "import.h"
#include "testdb.h"

#include <QTemporaryDir>
#include <QTest>

// The import's side of the Access reader's messages, against a reader that
// breaks them: whatever it leaves unsaid or says on its error output makes
// the file damaged, and nothing is imported.
class TestAccessProtocol : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { interchange::setAccessReader(QStringLiteral(FAKE_ACCESS_READER)); }
    void cleanupTestCase() { interchange::setAccessReader(QString()); }

    void readerEnds_data()
    {
        QTest::addColumn<QString>("how"); // the table asked for: what the reader does
        QTest::addColumn<QStringList>("stored");
        QTest::newRow("whole") << "whole" << QStringList({"Ana", "Bia"});
        QTest::newRow("count differs") << "count differs" << QStringList();
        QTest::newRow("no last message") << "no last message" << QStringList();
        QTest::newRow("complaint on error output") << "complaint on error output" << QStringList();
        QTest::newRow("killed midway") << "killed midway" << QStringList();
    }

    void readerEnds()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, stored);
        QTemporaryDir dir;
        const QString book = dir.filePath("Quelmar.mdb");
        testdb::createEmpty(book);
        // An Access file's signature: the rest is the reader's.
        const QString source = dir.filePath("contatos.mdb");
        QVERIFY(testdb::writeFile(source, QByteArray("\0\1\0\0Standard Jet DB\0", 20)));
        const interchange::ImportSummary s = interchange::importFile(book, source, {how, {}});
        if (stored.isEmpty()) {
            QVERIFY2(s.error.text.contains("danificado"), qPrintable(s.error.text));
            QCOMPARE(s.imported, qint64(0));
        } else {
            QVERIFY2(!s.error, qPrintable(s.error.text));
        }
        QCOMPARE(testdb::storedNames(book), stored);
    }
};

QTEST_GUILESS_MAIN(TestAccessProtocol)
#include "tst_accessprotocol.moc"
