#include "databaseplace.h"
#include "options.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// The command line and where it leads the program to its database.
class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void options_data();
    void options();
    void databasePlace_data();
    void databasePlace();
};

void TestCommandLine::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("said"); // part of what is printed

    using O = commandline::Options;
    QTest::newRow("nothing") << QStringList() << int(O::Run) << ""
                             << "";
    QTest::newRow("--database") << QStringList({"--database", "/tmp/a b.mdb"}) << int(O::Run)
                                << "/tmp/a b.mdb"
                                << "";
    QTest::newRow("--database=") << QStringList({"--database=x.mdb"}) << int(O::Run) << "x.mdb"
                                 << "";
    QTest::newRow("--help") << QStringList({"--help"}) << int(O::Help) << ""
                            << "Uso: listrano";
    QTest::newRow("-h") << QStringList({"-h"}) << int(O::Help) << ""
                        << "--database CAMINHO";
    QTest::newRow("--version") << QStringList({"--version"}) << int(O::Version) << ""
                               << "listrano " LISTRANO_VERSION;
    QTest::newRow("unknown option") << QStringList({"--banco"}) << int(O::UsageError) << ""
                                    << "opção desconhecida: --banco";
    QTest::newRow("path missing") << QStringList({"--database"}) << int(O::UsageError) << ""
                                  << "falta o valor";
    QTest::newRow("--backup") << QStringList({"--backup", "copia.mdb"}) << int(O::Backup) << ""
                              << "";
    QTest::newRow("--import --table")
        << QStringList({"--import", "a.mdb", "--table", "Customers"}) << int(O::Import) << ""
        << "";
    QTest::newRow("--table alone")
        << QStringList({"--table", "Customers"}) << int(O::UsageError) << ""
        << "--table só vale com --import";
    QTest::newRow("--export --force")
        << QStringList({"--export", "a.csv", "--force"}) << int(O::Export) << ""
        << "";
    QTest::newRow("--force alone") << QStringList({"--force"}) << int(O::UsageError) << ""
                                   << "--force só vale com --export";
    QTest::newRow("--help tells of --force") << QStringList({"--help"}) << int(O::Help) << ""
                                             << "--force ";
    QTest::newRow("--export-dialog")
        << QStringList({"--export-dialog"}) << int(O::ExportDialog) << ""
        << "";
    QTest::newRow("a file alone") << QStringList({"contatos.vcf"}) << int(O::ImportFile) << ""
                                  << "";
    QTest::newRow("stray argument") << QStringList({"--database", "Quelmar.mdb", "contatos.vcf"})
                                    << int(O::UsageError) << "Quelmar.mdb"
                                    << "argumento não esperado: contatos.vcf";
    QTest::newRow("two files") << QStringList({"a.vcf", "b.csv"}) << int(O::UsageError) << ""
                               << "argumento não esperado: a.vcf";
}

void TestCommandLine::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, database);
    QFETCH(QString, said);
    const commandline::Options o = commandline::parse(QStringList{"listrano"} + arguments);
    QCOMPARE(int(o.action), action);
    QCOMPARE(o.database, database);
    QVERIFY2(o.text.contains(said), qPrintable(o.text));
    if (o.action == commandline::Options::Export)
        QCOMPARE(o.force, arguments.contains("--force"));
    if (o.action == commandline::Options::ImportFile)
        QCOMPARE(o.importFrom, arguments.constLast());
}

void TestCommandLine::databasePlace_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<bool>("beside");    // a Quelmar.mdb in the program's folder
    QTest::addColumn<bool>("installed"); // the program in the folder it was installed to
    QTest::addColumn<QString>("where");  // prog, user or given
    QTest::addColumn<bool>("created");

    QTest::newRow("given wins") << "dado.mdb" << true << true << "given" << false;
    QTest::newRow("beside the program") << "" << true << true << "prog" << false;
    QTest::newRow("installed: the user's own") << "" << false << true << "user" << true;
    QTest::newRow("portable folder without it") << "" << false << false << "prog" << false;
}

void TestCommandLine::databasePlace()
{
    QFETCH(QString, given);
    QFETCH(bool, beside);
    QFETCH(bool, installed);
    QFETCH(QString, where);
    QFETCH(bool, created);
    QTemporaryDir dir;
    const QString program = dir.filePath("bin");
    const QString home = dir.filePath("home/.local/share/listrano");
    QVERIFY(QDir().mkpath(program));
    if (beside) {
        QFile f(program + "/Quelmar.mdb");
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString installedBin = installed ? program : dir.filePath("usr/bin");

    // Folders and book for the user alone, whatever the umask.
    const mode_t was = ::umask(0);
    const commandline::DatabasePlace place =
        commandline::findDatabase(given, program, installedBin, home);
    ::umask(was);
    const QString expected = where == "given"  ? given
                             : where == "prog" ? program + "/Quelmar.mdb"
                                               : home + "/Quelmar.mdb";
    QCOMPARE(place.path, expected);
    QCOMPARE(place.created, created);
    QVERIFY(!place.error);
    if (created) {
        for (const QString& folder : {home, dir.filePath("home/.local/share"),
                                      dir.filePath("home/.local"), dir.filePath("home")})
            QCOMPARE(int(QFile::permissions(folder) & 0x0777), 0x700); // the user alone
        QCOMPARE(int(QFile::permissions(place.path) & 0x0777), 0x600);
        // Made once: the next start finds it.
        QVERIFY(!commandline::findDatabase(given, program, installedBin, home).created);
    }
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
