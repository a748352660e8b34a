#include "database.h"
#include "localchanges.h"
#include "testdb.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The book's side of a sync: which linked contacts changed, went or moved, told
// through the file's own log, however the table was written.
class TestLocalChanges : public QObject {
    Q_OBJECT
private slots:
    void picture_data();
    void picture();
};

namespace {
contact::Record record(const QString& name, const QString& email = {})
{
    contact::Record r;
    r[contact::Nome] = name;
    r[contact::Email] = email;
    return r;
}

void run(const QString& path, const QString& sql)
{
    testdb::query(path, sql);
}

// sqlite3 old .dump | sqlite3 new: the rows numbered anew, triggers and all.
QString dumped(const QString& path)
{
    const QString copy = path + QStringLiteral(".novo");
    QProcess p;
    p.start(QStringLiteral("sh"),
            {QStringLiteral("-c"), QStringLiteral("sqlite3 \"$1\" .dump | sqlite3 \"$2\""),
             QStringLiteral("sh"), path, copy});
    if (!p.waitForFinished() || p.exitCode() != 0)
        qFatal("sqlite3 failed");
    return copy;
}
} // namespace

void TestLocalChanges::picture_data()
{
    QTest::addColumn<QString>("steps");    // SQL run on the book after the last sync
    QTest::addColumn<bool>("reload");      // then dumped and reloaded into a new file
    QTest::addColumn<QString>("expected"); // each link's state, then the new contacts
    const QString edit = QStringLiteral("UPDATE tblQuelmar SET Email = 'b@x' WHERE Nome = 'Bia'");
    const QString reuse = QStringLiteral("DELETE FROM tblQuelmar WHERE Nome = 'Caio'; INSERT INTO "
                                         "tblQuelmar (Nome) VALUES ('Davi')");
    QTest::newRow("nothing") << "" << false << "a= b= c= |";
    QTest::newRow("edited") << edit << false << "a= b~ c= |";
    QTest::newRow("last deleted, its row id used again") << reuse << false << "a= b= c- |Davi";
    QTest::newRow("deleted and added back the same")
        << "DELETE FROM tblQuelmar WHERE Nome = 'Bia'; INSERT INTO tblQuelmar (Nome) VALUES ('Bia')"
        << false << "a= b- c= |Bia";
    QTest::newRow("written without the log")
        << "DROP TRIGGER lstSyncUpdated; UPDATE tblQuelmar SET Nome = 'Eva' WHERE Nome = 'Ana'"
        << false << "a- b= c= |Eva";
    QTest::newRow("reloaded") << "" << true << "a= b= c= |";
    QTest::newRow("edited, then reloaded") << edit << true << "a= b~ c= |";
    QTest::newRow("first deleted, then reloaded")
        << "DELETE FROM tblQuelmar WHERE Nome = 'Ana'" << true << "a- b= c= |";
    QTest::newRow("reused, then reloaded") << reuse << true << "a= b= c- |Davi";
}

void TestLocalChanges::picture()
{
    QFETCH(QString, steps);
    QFETCH(bool, reload);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Quelmar.mdb"));
    testdb::createEmpty(path);
    // Row ids 2, 3, 4: a reload numbers them anew from 1.
    for (const char* name : {"Zeca", "Ana", "Bia", "Caio"})
        testdb::insertContact(path, {name});
    run(path, QStringLiteral("DELETE FROM tblQuelmar WHERE Nome = 'Zeca'"));
    {
        database::Connection c(path, QStringLiteral("setup"));
        syncstate::Account account;
        account.bookUrl = QStringLiteral("http://127.0.0.1/u/c/");
        QVERIFY(!syncstate::setUp(c.db(), account));
        QSqlQuery q(c.db());
        int row = 2;
        for (const char* name : {"Ana", "Bia", "Caio"}) {
            syncstate::Link l;
            l.row = row++;
            l.href = QString::fromLatin1(name).left(1).toLower();
            l.fields = record(QString::fromLatin1(name));
            QVERIFY(!syncstate::saveLink(q, l));
        }
    }
    for (const QString& sql : steps.split(u';', Qt::SkipEmptyParts))
        run(path, sql.trimmed());
    if (reload)
        path = dumped(path);

    database::Connection c(path, QStringLiteral("read"));
    const auto links = syncstate::links(c.db());
    const auto log = syncstate::changes(c.db());
    const auto rows = syncstate::rows(c.db());
    QVERIFY(!links.error && !log.error && !rows.error);
    const localchanges::Picture p = localchanges::picture(links.value, log.value, rows.value);
    QStringList got;
    for (const QString& href : {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}) {
        const localchanges::LocalState s = p.links.value(href);
        got << href + QLatin1String(s.kind == localchanges::LocalState::Unchanged  ? "="
                                    : s.kind == localchanges::LocalState::Modified ? "~"
                                                                                   : "-");
        // A contact found is found where it is, holding what the link's name says.
        if (s.kind != localchanges::LocalState::Deleted) {
            const auto at = testdb::query(
                path, QStringLiteral("SELECT Nome FROM tblQuelmar WHERE rowid = ?"), {s.row});
            QCOMPARE(at.value(0).value(0).toString().left(1).toLower(), href);
        }
    }
    QStringList added;
    for (const syncstate::Row& r : p.unlinked)
        added << r.fields[contact::Nome];
    QCOMPARE(got.join(u' ') + QStringLiteral(" |") + added.join(u','), expected);
}

QTEST_GUILESS_MAIN(TestLocalChanges)
#include "tst_localchanges.moc"
