#include "database.h"
#include "fakekeyring.h"
#include "syncrunner.h"
#include "testdb.h"

#include <QLockFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using syncengine::Summary;

// The background runner where no server is needed, and what the windows say of
// a sync.
class TestSyncRunner : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void stateLine_data();
    void stateLine();
    void skipped_data();
    void skipped();

private:
    QTemporaryDir m_dir;
};

void TestSyncRunner::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", m_dir.filePath("config").toUtf8());
    qRegisterMetaType<Summary>();
}

void TestSyncRunner::stateLine_data()
{
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QList<qint64>>("counts"); // received, sent, deleted, conflicts, would delete
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("stored"); // the book's summary, used when given
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("line");
    const QDateTime now(QDate(2026, 12, 8), QTime(15, 0));
    const QList<qint64> none{0, 0, 0, 0, 0};
    QTest::newRow("never") << int(Summary::Done) << none << ""
                           << "" << QDateTime() << "Última sincronização: nenhuma ainda";
    QTest::newRow("today") << int(Summary::Done) << QList<qint64>{3, 1, 0, 0, 0} << ""
                           << "" << QDateTime(now.date(), QTime(14, 32))
                           << "Última sincronização: hoje às 14:32, 3 recebidos, 1 enviado";
    QTest::newRow("yesterday, deletions and a conflict")
        << int(Summary::Done) << QList<qint64>{0, 0, 2, 1, 0} << ""
        << "" << QDateTime(now.date().addDays(-1), QTime(9, 5))
        << "Última sincronização: ontem às 09:05, 0 recebidos, 0 enviados, 2 excluídos, 1 "
           "conflito";
    QTest::newRow("failed") << int(Summary::Failed) << none << "O servidor não respondeu"
                            << "" << QDateTime(QDate(2026, 12, 1), QTime(8, 0))
                            << "Última sincronização: 01/12/2026 às 08:00, falhou. O servidor "
                               "não respondeu.";
    QTest::newRow("stopped") << int(Summary::StoppedBeforeDeleting) << QList<qint64>{0, 0, 0, 0, 40}
                             << ""
                             << "" << now
                             << "Última sincronização: hoje às 15:00, parou antes de excluir 40 "
                                "contatos";
    QTest::newRow("kept by the book")
        << int(Summary::Done) << none << ""
        << "Sincronizado com Contatos: casa em nuvem.exemplo.com.br: 1.200 recebidos, 3 "
           "enviados, 0 excluídos, 1 conflito; 2 contatos já iguais nos dois lados"
        << now << "Última sincronização: hoje às 15:00, 1.200 recebidos, 3 enviados, 1 conflito";
}

void TestSyncRunner::stateLine()
{
    QFETCH(int, outcome);
    QFETCH(QList<qint64>, counts);
    QFETCH(QString, error);
    QFETCH(QString, stored);
    QFETCH(QDateTime, when);
    QFETCH(QString, line);
    Summary s;
    s.outcome = Summary::Outcome(outcome);
    s.received = counts.at(0);
    s.sent = counts.at(1);
    s.deleted = counts.at(2);
    s.conflicts = counts.at(3);
    s.wouldDelete = counts.at(4);
    s.error = error;
    syncstate::Account account;
    account.lastSummary = stored;
    const QString what =
        stored.isEmpty() ? syncrunner::outcomeText(s) : syncrunner::storedText(account);
    QCOMPARE(syncrunner::stateLine(when, what, QDateTime(QDate(2026, 12, 8), QTime(15, 0))), line);
}

void TestSyncRunner::skipped_data()
{
    QTest::addColumn<QString>("keyring"); // what the keyring holds, or "none" answers
    QTest::addColumn<bool>("lockedElsewhere");
    QTest::addColumn<QString>("said");
    QTest::newRow("no password kept") << "" << false << "não feita, sem a senha: informe-a";
    QTest::newRow("no keyring answers")
        << "none" << false << "não feita, sem a senha (Nenhum chaveiro respondeu): informe-a";
    QTest::newRow("another program syncing") << "senha" << true << "nenhuma ainda";
}

// A sync that cannot run is skipped without a signal: the state line tells
// why, or, another sync being under way, nothing.
void TestSyncRunner::skipped()
{
    QFETCH(QString, keyring);
    QFETCH(bool, lockedElsewhere);
    QFETCH(QString, said);
    const QString book = m_dir.filePath(QTest::currentDataTag() + QStringLiteral(".mdb"));
    testdb::createEmpty(book);
    syncstate::Account account;
    account.serverUrl = "http://127.0.0.1:9/";
    account.user = "ana";
    account.bookUrl = "http://127.0.0.1:9/ana/contatos/";
    {
        database::Connection c(book, "setup");
        QVERIFY(!syncstate::setUp(c.db(), account));
    }
    FakeKeyring kept;
    kept.available = keyring != "none";
    if (kept.available && !keyring.isEmpty())
        kept.kept.insert(keyring::key(account.serverUrl, account.user), keyring);
    QLockFile lock(book + ".sincronizando");
    QVERIFY(!lockedElsewhere || lock.tryLock(0));

    SyncRunner runner(book);
    QSignalSpy finished(&runner, &SyncRunner::finished);
    runner.syncNow();
    QTRY_VERIFY(!runner.busy());
    QVERIFY(runner.account());
    QCOMPARE(finished.size(), 0);
    QVERIFY2(runner.stateLine().contains(said), qPrintable(runner.stateLine()));
}

QTEST_MAIN(TestSyncRunner)
#include "tst_syncrunner.moc"
