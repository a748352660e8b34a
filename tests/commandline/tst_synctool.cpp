#include "radicaleserver.h"
#include "testdb.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <sys/stat.h>

// The program itself run with the synchronisation's options, against a server
// with one address book and one with two.
class TestSyncTool : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void run_data();
    void run();

private:
    // Runs the program on the book with the user's settings in the temporary
    // folder; "URL", "SENHA" and "ERRADA" stand for the server's address and
    // commands giving the right and a wrong password.
    int listrano(const QStringList& arguments, RadicaleServer& server, QString* said = nullptr);

    RadicaleServer m_one; // a book, "Contatos"
    RadicaleServer m_two; // "Casa" and "Trabalho"
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_book;
};

void TestSyncTool::initTestCase()
{
    for (RadicaleServer* server : {&m_one, &m_two})
        QVERIFY2(server->start(), qPrintable(server->errorText()));
    QVERIFY(!m_one.createAddressBook("contatos", "Contatos").isEmpty());
    QVERIFY(!m_two.createAddressBook("casa", "Casa").isEmpty());
    QVERIFY(!m_two.createAddressBook("trabalho", "Trabalho").isEmpty());
}

int TestSyncTool::listrano(const QStringList& arguments, RadicaleServer& server, QString* said)
{
    QStringList given = {"--database", m_book};
    for (const QString& a : arguments)
        given << (a == "URL"      ? server.url().toString()
                  : a == "SENHA"  ? "echo " + server.password()
                  : a == "ERRADA" ? QStringLiteral("echo outra")
                                  : a);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", m_dir->filePath("config"));
    env.insert("HOME", m_dir->path());
    p.setProcessEnvironment(env);
    p.start(LISTRANO_PROGRAM, given);
    if (!p.waitForFinished(60000))
        return -1;
    if (said)
        *said = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

namespace {
int mode(const QString& path)
{
    struct stat s {};
    return ::stat(QFile::encodeName(path).constData(), &s) == 0 ? int(s.st_mode & 0777) : -1;
}
} // namespace

void TestSyncTool::run_data()
{
    // before: "two" (the server with two books), "linked" (to the server's one
    // book), "stopped" (linked, and the server stopped); said: the start of a
    // line written; tables: the book's after the run.
    QTest::addColumn<QString>("before");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("tables");

    const QStringList setup = {"--sync-setup", "URL", "--user", "ana", "--password-command"};
    const QString linked = "lstSyncAccount lstSyncChange lstSyncLink tblQuelmar";
    const QString plain = "tblQuelmar";
    QTest::newRow("set up, one book")
        << "" << setup + QStringList{"SENHA"} << 0
        << "Ligado ao catálogo Contatos em 127.0.0.1. Sincronize com --sync." << linked;
    QTest::newRow("several books, none chosen")
        << "two" << setup + QStringList{"SENHA"} << 2 << "  Trabalho (http://" << plain;
    QTest::newRow("one of several chosen")
        << "two" << setup + QStringList{"SENHA", "--addressbook", "trabalho"} << 0
        << "Ligado ao catálogo Trabalho" << linked;
    QTest::newRow("unknown book") << "two"
                                  << setup + QStringList{"SENHA", "--addressbook", "escritorio"}
                                  << 2 << "  Casa (http://" << plain;
    QTest::newRow("wrong password") << "" << setup + QStringList{"ERRADA"} << 1
                                    << "listrano: O servidor recusou o usuário e a senha." << plain;
    QTest::newRow("sync") << "linked" << QStringList{"--sync"} << 0
                          << "Sincronizado com Contatos em 127.0.0.1: " << linked;
    QTest::newRow("sync, server stopped")
        << "stopped" << QStringList{"--sync"} << 1
        << "listrano: Servidor inacessível: 127.0.0.1 ("
        << linked;
    QTest::newRow("sync, never set up")
        << "" << QStringList{"--sync"} << 1
        << "listrano: este banco de dados não está ligado a nenhum catálogo" << plain;
    QTest::newRow("sync off") << "linked" << QStringList{"--sync-off"} << 0
                              << "Sincronização desligada" << plain;
    QTest::newRow("--user with --sync") << "linked" << QStringList{"--sync", "--user", "ana"} << 2
                                        << "listrano: --user só vale com --sync-setup" << linked;
    QTest::newRow("--password-command with --sync-off")
        << "linked" << QStringList{"--sync-off", "--password-command", "SENHA"} << 2
        << "listrano: --password-command só vale com --sync-setup" << linked;
    QTest::newRow("--addressbook alone")
        << "" << QStringList{"--addressbook", "casa"} << 2
        << "listrano: --addressbook só vale com --sync-setup" << plain;
    for (const QString option : {"--sync-setup URL", "--sync ", "--sync-off "})
        QTest::newRow(qPrintable("--help tells of " + option.trimmed()))
            << "" << QStringList{"--help"} << 0 << "  " + option << plain;
}

void TestSyncTool::run()
{
    QFETCH(QString, before);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, said);
    QFETCH(QString, tables);
    RadicaleServer& server = before == "two" ? m_two : m_one;
    m_dir = std::make_unique<QTemporaryDir>();
    m_book = m_dir->filePath("Quelmar.mdb");
    testdb::createEmpty(m_book);
    testdb::insertContact(m_book, {"Ana Souza", "ana@exemplo.com.br"});
    if (before == "linked" || before == "stopped")
        QCOMPARE(listrano({"--sync-setup", "URL", "--user", "ana", "--password-command", "SENHA"},
                          server),
                 0);
    if (before == "stopped")
        server.stop();
    QString out;
    const int exit = listrano(args, server, &out);
    if (before == "stopped")
        QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY2(exit == status, qPrintable(out));
    const QStringList lines = out.split('\n');
    QVERIFY2(std::any_of(lines.begin(), lines.end(),
                         [&](const QString& line) { return line.startsWith(said); }),
             qPrintable(out));

    QProcess sqlite;
    sqlite.start("sqlite3", {m_book, ".tables"});
    QVERIFY(sqlite.waitForFinished());
    QCOMPARE(QString::fromUtf8(sqlite.readAllStandardOutput()).simplified(), tables);
    // The password command is kept, for the user alone, while the book is linked.
    const bool kept = tables != "tblQuelmar";
    QFile settings(m_dir->filePath("config/listrano/sincronizacao.json"));
    QCOMPARE(settings.open(QIODevice::ReadOnly) && settings.readAll().contains("echo"), kept);
    if (kept) {
        QCOMPARE(mode(settings.fileName()), 0600);
        QCOMPARE(mode(m_dir->filePath("config/listrano")), 0700);
    }
}

QTEST_GUILESS_MAIN(TestSyncTool)
#include "tst_synctool.moc"
