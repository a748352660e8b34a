#include "backup.h"
#include "testdb.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// The backup copy: whole and consistent while another program writes, never
// over an existing file, nothing left behind when it fails.
class TestBackup : public QObject {
    Q_OBJECT

private slots:
    void backup_data();
    void backup();
};

void TestBackup::backup_data()
{
    QTest::addColumn<QString>("situation");
    QTest::newRow("plain") << "plain";
    QTest::newRow("another program mid-write") << "writer";
    QTest::newRow("the target exists") << "exists";
    QTest::newRow("no such folder") << "folder";
    QTest::newRow("full disk") << "full";
}

void TestBackup::backup()
{
    QFETCH(QString, situation);
    QTemporaryDir dir;
    const QString path = dir.filePath("Quelmar.mdb");
    testdb::createEmpty(path);
    testdb::insertContact(path, {"Ana", "ana@example.com"});
    testdb::insertContact(path, {"Bia"});
    QString target = dir.filePath("copia.mdb");
    if (situation == "exists") {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("meu arquivo");
    } else if (situation == "folder") {
        target = dir.filePath("nao/existe.mdb");
    }
    const QString disk = dir.filePath("disco");
    const auto unmount = qScopeGuard([&] {
        if (situation == "full")
            QProcess::execute("umount", {disk});
    });
    if (situation == "full") {
        QVERIFY(QDir().mkdir(disk));
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", disk}) != 0)
            QSKIP("cannot mount a small disk here (needs root)");
        // A copy larger than the disk: it fills up midway.
        for (int i = 0; i < 300; ++i)
            testdb::insertContact(path, {QString("Contato %1").arg(i), QString(400, 'x')});
        target = disk + "/copia.mdb";
    }
    // A write under way in another program: not in the copy, which is consistent.
    QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
    other.setDatabaseName(path);
    QVERIFY(other.open());
    QSqlQuery q(other);
    if (situation == "writer") {
        QVERIFY(q.exec("BEGIN"));
        QVERIFY(q.exec("INSERT INTO tblQuelmar (Nome) VALUES ('Pendente')"));
    }

    const StoreResult<qint64> r = interchange::backup(path, target);

    q.exec("ROLLBACK");
    q.finish();
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase("other");
    const bool ok = situation == "plain" || situation == "writer";
    QCOMPARE(bool(r.error), !ok);
    if (ok) {
        QCOMPARE(r.value, qint64(2));
        QCOMPARE(testdb::storedNames(target), QStringList({"Ana", "Bia"}));
        QCOMPARE(int(QFile::permissions(target) & 0x0777), 0x600);
    } else if (situation == "exists") {
        QCOMPARE(testdb::fileBytes(target), QByteArray("meu arquivo"));
    }
    QCOMPARE(QDir(dir.path()).entryList({"*.parcial"}), QStringList());
    if (situation == "full") {
        QCOMPARE(r.error.reason(), QString("Não há espaço livre no disco."));
        QCOMPARE(QDir(disk).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
}

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
