#include "csvread.h"
#include "export.h"
#include "testdb.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace contact;

// Contacts out: CSV cells a spreadsheet reads as text, vCards in the forms
// address books expect, files written whole.
class TestExport : public QObject {
    Q_OBJECT

private slots:
    void csvCell_data();
    void csvCell();
    void csvReadBack();
    void vCardLinesFolded();
    void vCardNamesAndExtension_data();
    void vCardNamesAndExtension();
    void exportContacts_data();
    void exportContacts();
    void exportToDiskThatRefuses_data();
    void exportToDiskThatRefuses();
    void whatIsAtTheTarget_data();
    void whatIsAtTheTarget();
    void privateFiles_data();
    void privateFiles();
};

void TestExport::csvCell_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell");
    QTest::newRow("plain") << "São Paulo"
                           << "São Paulo";
    QTest::newRow("comma stays bare") << "Rua A, 10"
                                      << "Rua A, 10";
    QTest::newRow("separator") << "a;b"
                               << "\"a;b\"";
    QTest::newRow("quote") << "o \"Zé\""
                           << "\"o \"\"Zé\"\"\"";
    QTest::newRow("line break") << "a\nb"
                                << "\"a\nb\"";
    QTest::newRow("formula") << "=SOMA(A1)"
                             << "'=SOMA(A1)";
    QTest::newRow("plus") << "+55 11"
                          << "'+55 11";
    QTest::newRow("minus") << "-1"
                           << "'-1";
    QTest::newRow("at") << "@nome"
                        << "'@nome";
    QTest::newRow("formula with separator") << "=a;b"
                                            << "\"'=a;b\"";
}

void TestExport::csvCell()
{
    QFETCH(QString, text);
    QFETCH(QString, cell);
    QCOMPARE(interchange::csvCell(text), cell);
}

// What is written is read back cell for cell.
void TestExport::csvReadBack()
{
    Record c;
    c[Nome] = QString::fromUtf16(u"Zé \"D'Ávila\"; 👩\u200d💻");
    c[EndRes] = "Rua A, 10\nfundos";
    c[CelularRes] = "(11) 98765-4321";
    c[Ramal] = "  12 ";
    const interchange::CsvTable table =
        interchange::readCsv(interchange::csvHeader() + interchange::csvLine(c));
    QVERIFY(table.error.isEmpty());
    QCOMPARE(table.header, contact::columns());
    QStringList expected;
    for (const Field field : recordOrder())
        expected << c[field];
    QCOMPARE(table.rows, QList<QStringList>{expected});
}

void TestExport::vCardLinesFolded()
{
    Record c;
    c[Nome] = QString("Maria da Conceição Aparecida dos Santos; ").repeated(4);
    c[CelularRes] = "(11) 98765-4321";
    c[CepRes] = "01.310-100";
    const QString card = interchange::vCard(c);
    for (const QString& line : card.split("\r\n"))
        QVERIFY2(line.toUtf8().size() <= 75, qPrintable(line));
    QString unfolded = card;
    unfolded.replace("\r\n ", "");
    QVERIFY(unfolded.contains("FN:" + QString(c[Nome]).replace(";", "\\;") + "\r\n"));
    QVERIFY(unfolded.contains("TEL;TYPE=CELL:+55 11 98765-4321\r\n"));
    QVERIFY(unfolded.contains("ADR;TYPE=HOME:;;;;;01310-100;\r\n"));
    QVERIFY(!unfolded.contains("TYPE=WORK")); // nothing where nothing was typed
}

void TestExport::vCardNamesAndExtension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QStringList>("lines"); // of the card
    const QString work = "TEL;TYPE=WORK,VOICE:+55 31 3222-1000";
    QTest::newRow("parts of the name, extension dialled")
        << "Maria da Conceição Araújo"
        << "215"
        << QStringList({"FN:Maria da Conceição Araújo", "N:Araújo;Maria;da Conceição;;",
                        work + ",215", "X-LISTRANO-RAMAL:215"});
    QTest::newRow("escaped parts")
        << "José Carlos; Jr da Silva, Filho"
        << "" << QStringList({"N:da Silva\\, Filho;José;Carlos\\; Jr;;", work});
    QTest::newRow("company: ORG, N empty")
        << "Souza & Filhos Ltda."
        << "12"
        << QStringList(
               {"FN:Souza & Filhos Ltda.", "N:;;;;", "ORG:Souza & Filhos Ltda.", work + ",12"});
    QTest::newRow("extension not only digits: kept, not dialled")
        << "Ana"
        << "12 ou 13" << QStringList({"N:;Ana;;;", work + "\r\nX-LISTRANO-RAMAL:12 ou 13"});
}

// Names in the parts phones sort by; the extension as phones dial it.
void TestExport::vCardNamesAndExtension()
{
    QFETCH(QString, name);
    QFETCH(QString, extension);
    QFETCH(QStringList, lines);
    Record c;
    c[Nome] = name;
    c[FoneCom] = "(31) 3222-1000";
    c[Ramal] = extension;
    const QString card = interchange::vCard(c);
    for (const QString& line : lines)
        QVERIFY2(card.contains("\r\n" + line + "\r\n"), qPrintable(line + " in\n" + card));
}

void TestExport::exportContacts_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("stopped"); // by the user, at the first progress
    QTest::newRow("csv") << "contatos.csv" << true << false;
    QTest::newRow("vcard") << "contatos.vcf" << true << false;
    QTest::newRow("no such folder") << "nao/existe.csv" << false << false;
    QTest::newRow("stopped") << "contatos.vcf" << false << true;
}

void TestExport::exportContacts()
{
    QFETCH(QString, file);
    QFETCH(bool, ok);
    QFETCH(bool, stopped);
    QTemporaryDir dir;
    const QString path = dir.filePath("Quelmar.mdb");
    testdb::createEmpty(path);
    testdb::insertContact(path, {"Ana", "ana@example.com"});
    testdb::insertContact(path, {"Zé", "ze@example.com"});
    interchange::Format format;
    QVERIFY(interchange::formatOf(file, &format));

    qint64 total = 0;
    const StoreResult<qint64> r =
        interchange::exportContacts(path, dir.filePath(file), format, [&](qint64, qint64 all) {
            total = all;
            return !stopped;
        });
    QCOMPARE(bool(r.error), !ok);
    QCOMPARE(total, ok || stopped ? qint64(2) : qint64(0));
    if (!ok) {
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"Quelmar.mdb"}));
        return;
    }
    QCOMPARE(r.value, qint64(2));
    QFile out(dir.filePath(file));
    QVERIFY(out.open(QIODevice::ReadOnly));
    const QByteArray bytes = out.readAll();
    const QString text = QString::fromUtf8(bytes);
    if (format == interchange::Format::Csv) {
        QVERIFY(bytes.startsWith("\xEF\xBB\xBFNome;Email;")); // a BOM, for the spreadsheet
        QCOMPARE(text.count("\r\n"), 3);
        QVERIFY(text.contains("\r\nZé;ze@example.com;"));
    } else {
        QCOMPARE(text.count("BEGIN:VCARD"), 2);
        QVERIFY(text.contains("FN:Zé\r\n"));
    }
}

void TestExport::exportToDiskThatRefuses_data()
{
    QTest::addColumn<QString>("options"); // of the small disk the test mounts
    QTest::addColumn<QString>("reason");
    QTest::newRow("full disk") << "size=64k"
                               << "Não há espaço livre no disco.";
    QTest::newRow("read-only disk") << "size=64k,ro"
                                    << "O disco está protegido contra gravação.";
}

// The target's disk refuses: its reason told, no file, an earlier file left whole.
void TestExport::exportToDiskThatRefuses()
{
    QFETCH(QString, options);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath("Quelmar.mdb");
    testdb::createEmpty(path);
    for (int i = 0; i < 50; ++i)
        testdb::insertContact(path, {QString("Contato %1").arg(i), QString(200, 'x')});
    const QString disk = dir.filePath("disco");
    QVERIFY(QDir().mkdir(disk));
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", options, "tmpfs", disk}) != 0)
        QSKIP("cannot mount a small disk here (needs root)");
    const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {disk}); });
    if (!options.contains("ro")) {
        QFile filler(disk + "/ocupado");
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(1024, 'x');
        while (filler.write(block) == block.size() && filler.flush())
            ;
    }
    for (const char* file : {"/contatos.csv", "/contatos.vcf"}) {
        interchange::Format format;
        QVERIFY(interchange::formatOf(file, &format));
        const StoreResult<qint64> r = interchange::exportContacts(path, disk + file, format);
        QVERIFY2(r.error, file);
        QCOMPARE(r.error.text, reason);
        QVERIFY(!QFile::exists(disk + file));
    }
}

void TestExport::whatIsAtTheTarget_data()
{
    QTest::addColumn<QString>("there"); // file, link, dangling link, fifo or folder
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QString>("said"); // the refusal; "" when written
    QTest::newRow("file, refused") << "file" << false << "já existe";
    QTest::newRow("file, replaced") << "file" << true << "";
    QTest::newRow("link") << "link" << true << "um link simbólico";
    QTest::newRow("dangling link") << "dangling link" << true << "um link simbólico";
    QTest::newRow("pipe") << "fifo" << true << "um pipe (FIFO)";
    QTest::newRow("folder") << "folder" << true << "uma pasta";
}

// Nothing is written through a link or into a pipe; a file is replaced only
// when asked.
void TestExport::whatIsAtTheTarget()
{
    QFETCH(QString, there);
    QFETCH(bool, replace);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString path = dir.filePath("Quelmar.mdb");
    testdb::createEmpty(path);
    testdb::insertContact(path, {"Ana"});
    const QString target = dir.filePath("contatos.csv");
    const QString other = dir.filePath("outro");
    QVERIFY(testdb::writeFile(other, "antes"));
    if (there == "file")
        QVERIFY(testdb::writeFile(target, "antes"));
    else if (there == "link")
        QVERIFY(QFile::link(other, target));
    else if (there == "dangling link")
        QVERIFY(QFile::link(dir.filePath("nenhum"), target));
    else if (there == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0600), 0);
    else
        QVERIFY(QDir(dir.path()).mkdir("contatos.csv"));
    const StoreResult<qint64> r = interchange::exportContacts(
        path, target, interchange::Format::Csv, {},
        replace ? interchange::Existing::Replace : interchange::Existing::Refuse);
    QCOMPARE(testdb::fileBytes(other), QByteArray("antes"));
    QVERIFY(!QFile::exists(dir.filePath("nenhum")));
    if (said.isEmpty()) {
        QVERIFY2(!r.error, qPrintable(r.error.text));
        QVERIFY(testdb::fileBytes(target).contains("Ana"));
    } else {
        QVERIFY2(r.error.text.contains(said), qPrintable(r.error.text));
        if (there == "file")
            QCOMPARE(testdb::fileBytes(target), QByteArray("antes"));
    }
}

void TestExport::privateFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("replaced"); // a file readable by all there before
    QTest::newRow("csv") << "contatos.csv" << false;
    QTest::newRow("vcard") << "contatos.vcf" << false;
    QTest::newRow("replacing") << "contatos.csv" << true;
}

// An export is for the user alone, whatever the umask.
void TestExport::privateFiles()
{
    QFETCH(QString, file);
    QFETCH(bool, replaced);
    QTemporaryDir dir;
    const QString path = dir.filePath("Quelmar.mdb");
    testdb::createEmpty(path);
    const QString target = dir.filePath(file);
    if (replaced) {
        QVERIFY(testdb::writeFile(target, "antes"));
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ReadOther | QFile::WriteOther));
    }
    interchange::Format format;
    QVERIFY(interchange::formatOf(file, &format));
    const mode_t was = ::umask(0);
    const StoreResult<qint64> r = interchange::exportContacts(path, target, format);
    ::umask(was);
    QVERIFY2(!r.error, qPrintable(r.error.text));
    struct stat made {};
    QCOMPARE(::stat(QFile::encodeName(target).constData(), &made), 0);
    QCOMPARE(made.st_mode & 07777, mode_t(0600));
}

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
