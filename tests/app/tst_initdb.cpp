#include "testdb.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// listrano-initdb as the set-up runs it: what it says and its exit status for
// whatever lies at the path.
class TestInitDb : public QObject {
    Q_OBJECT

private slots:
    void whatIsThere_data();
    void whatIsThere();
    void options_data();
    void options();
};

void TestInitDb::whatIsThere_data()
{
    QTest::addColumn<QString>("there");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // part of the output
    QTest::newRow("nothing: created") << "nothing" << 0 << "";
    QTest::newRow("a contact database") << "database" << 0 << "O banco de dados já existe";
    QTest::newRow("a text file") << "text" << 1 << "não é um banco de dados de contatos";
    QTest::newRow("another database") << "other" << 1 << "não é um banco de dados de contatos";
    QTest::newRow("a folder") << "folder" << 1 << "é uma pasta";
    QTest::newRow("a pipe") << "fifo" << 1 << "não é um arquivo comum";
    QTest::newRow("a dangling link") << "link" << 1 << "link para um arquivo que não existe";
}

void TestInitDb::whatIsThere()
{
    QFETCH(QString, there);
    QFETCH(int, status);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString path = dir.filePath("Quelmar.mdb");
    if (there == "database") {
        testdb::createEmpty(path);
    } else if (there == "text") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("nomes\n");
    } else if (there == "other") {
        testdb::createEmpty(path);
        testdb::query(path, "DROP TABLE tblQuelmar");
    } else if (there == "folder") {
        QVERIFY(QDir().mkdir(path));
    } else if (there == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (there == "link") {
        QVERIFY(QFile::link(dir.filePath("sumiu"), path));
    }
    const QByteArray before = there == "database" ? testdb::fileBytes(path) : QByteArray();

    QProcess initdb;
    initdb.start(INITDB, {path});
    QVERIFY(initdb.waitForFinished(10000));
    const QString output = QString::fromUtf8(initdb.readAll() + initdb.readAllStandardError());
    QCOMPARE(initdb.exitCode(), status);
    QVERIFY2(output.contains(said), qPrintable(output));
    if (there == "nothing")
        QCOMPARE(testdb::storedNames(path), QStringList());
    if (there == "database")
        QCOMPARE(testdb::fileBytes(path), before);
}

void TestInitDb::options_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::newRow("--help") << "--help" << 0 << "Uso: listrano-initdb";
    QTest::newRow("--version") << "--version" << 0 << "listrano-initdb " LISTRANO_VERSION;
    QTest::newRow("a path like an option") << "--ajuda" << 2 << "Uso: listrano-initdb";
}

// Options are answered, and nothing is created under their names.
void TestInitDb::options()
{
    QFETCH(QString, argument);
    QFETCH(int, status);
    QFETCH(QString, said);
    QTemporaryDir dir;
    QProcess initdb;
    initdb.setWorkingDirectory(dir.path());
    initdb.start(INITDB, {argument});
    QVERIFY(initdb.waitForFinished(10000));
    QCOMPARE(initdb.exitCode(), status);
    QVERIFY(QString::fromUtf8(initdb.readAll() + initdb.readAllStandardError()).contains(said));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

QTEST_GUILESS_MAIN(TestInitDb)
#include "tst_initdb.moc"
