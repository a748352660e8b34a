#include "testdb.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

// A save is on disk when it returns: a process killed at once afterwards loses
// nothing, and one killed in the middle of a write leaves the file sound.
class TestDurability : public QObject {
    Q_OBJECT

private slots:
    void killedAfterSave_losesNothing();
    void killedDuringWrites_leavesFileSound();

private:
    int lastSaved(QProcess& writer);
    QString writerPath() const { return QCoreApplication::applicationDirPath() + "/store_writer"; }
};

int TestDurability::lastSaved(QProcess& writer)
{
    int last = 0;
    while (writer.canReadLine()) {
        const QByteArray line = writer.readLine().trimmed();
        if (line.startsWith("saved "))
            last = line.mid(6).toInt();
    }
    return last;
}

void TestDurability::killedAfterSave_losesNothing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Quelmar.mdb");
    testdb::createEmpty(path);

    QProcess writer;
    writer.start(writerPath(), {path, "1"});
    QVERIFY(writer.waitForStarted());
    while (!writer.canReadLine() && writer.waitForReadyRead(10000)) {
    }
    QCOMPARE(lastSaved(writer), 1);
    writer.kill(); // SIGKILL: nothing of the process runs after this
    QVERIFY(writer.waitForFinished());

    QCOMPARE(testdb::query(path, "SELECT count(*) FROM tblQuelmar").at(0).at(0).toInt(), 1);
    QCOMPARE(testdb::query(path, "PRAGMA integrity_check").at(0).at(0).toString(), QString("ok"));
    QVERIFY(!QFile::exists(path + "-journal"));
}

void TestDurability::killedDuringWrites_leavesFileSound()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Quelmar.mdb");
    testdb::createEmpty(path);

    // Kill a writer that saves without pause at moments that fall anywhere in a
    // write; each time the file keeps every save that had returned, and at most
    // the one under way besides.
    int stored = 0;
    for (int round = 0; round < 6; ++round) {
        QProcess writer;
        writer.start(writerPath(), {path, "0"});
        QVERIFY(writer.waitForStarted());
        QVERIFY(writer.waitForReadyRead(10000));
        QTest::qWait(QRandomGenerator::global()->bounded(5, 60));
        writer.kill();
        QVERIFY(writer.waitForFinished());
        const int saved = lastSaved(writer);
        QVERIFY(saved > 0);

        QCOMPARE(testdb::query(path, "PRAGMA integrity_check").at(0).at(0).toString(),
                 QString("ok"));
        const int count =
            testdb::query(path, "SELECT count(*) FROM tblQuelmar").at(0).at(0).toInt();
        QVERIFY2(
            count >= stored + saved && count <= stored + saved + 1,
            qPrintable(QString("%1 rows after %2 + %3 saves").arg(count).arg(stored).arg(saved)));
        stored = count;
    }
}

QTEST_GUILESS_MAIN(TestDurability)
#include "tst_durability.moc"
