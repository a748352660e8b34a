#include "export.h"
#include "import.h"
#include "testdb.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace contact;

// Contacts in: headers other programs write, Brazilian number forms, duplicates
// skipped, all or nothing.
class TestImport : public QObject {
    Q_OBJECT

private slots:
    void headers_data();
    void headers();
    void clearEmptyMasks_data();
    void clearEmptyMasks();
    void importTable_data();
    void importTable();
    void roundTrip();
    void otherPrograms_data();
    void otherPrograms();
    void cancelled();
    void filesThatFail_data();
    void filesThatFail();
};

void TestImport::headers_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<int>("field"); // -1: none
    QTest::newRow("our own") << "CelularComercial" << int(CelularCom);
    QTest::newRow("E-mail") << "E-mail" << int(Email);
    QTest::newRow("Endereço") << "Endereço" << int(EndRes);
    QTest::newRow("ContactName") << "ContactName" << int(Nome);
    QTest::newRow("PostalCode") << "PostalCode" << int(CepRes);
    QTest::newRow("Business Phone") << "Business Phone" << int(FoneCom);
    QTest::newRow("unknown") << "Aniversário" << -1;
}

void TestImport::headers()
{
    QFETCH(QString, header);
    QFETCH(int, field);
    Field found;
    QCOMPARE(fieldOfHeader(header, &found) ? int(found) : -1, field);
}

void TestImport::clearEmptyMasks_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("stored"); // in the old book
    QTest::addColumn<QString>("imported");
    QTest::newRow("CEP") << "CEPResidencial"
                         << "__.___-___"
                         << "";
    QTest::newRow("CEP, comma") << "CEPComercial"
                                << "__,___-___"
                                << "";
    QTest::newRow("mobile") << "CelularPessoal"
                            << "(__) _____-____"
                            << "";
    QTest::newRow("business phone") << "FoneComercial"
                                    << "(__) ____-____"
                                    << "";
    QTest::newRow("partial phone") << "FoneResidencial"
                                   << "(11) 3333-____"
                                   << "(11) 3333-____";
    QTest::newRow("not a masked field") << "EndComercial"
                                        << "__.___-___"
                                        << "__.___-___";
}

// Rows of an old Access book come in with empty masked fields empty.
void TestImport::clearEmptyMasks()
{
    QFETCH(QString, header);
    QFETCH(QString, stored);
    QFETCH(QString, imported);
    interchange::CsvTable table;
    table.header = QStringList{"Nome", header};
    table.rows = {{"(__) ____-____", stored}};
    interchange::clearEmptyMasks(&table);
    QCOMPARE(table.rows.at(0), QStringList({"(__) ____-____", imported}));
    QVERIFY(!table.rows.at(0).at(1).isNull());
}

void TestImport::importTable_data()
{
    QTest::addColumn<QString>("csv");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QStringList>("names"); // stored after
    // clang-format off
    QTest::newRow("one in, one already there, one without a name")
        << "Nome;Email\nBia;b@x\nAna;ana@example.com\n;\n"
        << "1 contato importado, 1 já existente ignorado, 1 com erro"
        << QStringList({"Ana", "Bia"});
    QTest::newRow("a cell too many") << "Nome;Email\nCaio;c@x;sobra\n"
        << "0 contatos importados, 0 já existentes ignorados, 1 com erro" << QStringList({"Ana"});
    QTest::newRow("the same contact twice in the file") << "Nome\nDora\nDora\n"
        << "1 contato importado, 1 já existente ignorado, 0 com erro" << QStringList({"Ana", "Dora"});
    // clang-format on
}

void TestImport::importTable()
{
    QFETCH(QString, csv);
    QFETCH(QString, summary);
    QFETCH(QStringList, names);
    QTemporaryDir dir;
    const QString path = dir.filePath("Quelmar.mdb");
    testdb::createEmpty(path);
    // Ana as the window writes her: every field a text.
    testdb::insertContact(path, {"Ana", "ana@example.com", "", "", "", "", "", "", "", "", "", "",
                                 "", "", "", "", ""});
    const interchange::ImportSummary s = interchange::importTable(path, interchange::readCsv(csv));
    QVERIFY(!s.error);
    QCOMPARE(s.text(), summary);
    QCOMPARE(testdb::storedNames(path), names);
    // Nothing imported holds a null.
    QCOMPARE(testdb::query(path, "SELECT count(*) FROM tblQuelmar WHERE RamalComercial IS NULL")
                 .value(0)
                 .value(0)
                 .toInt(),
             0);

    // A fault of the disk midway undoes the whole import.
    testdb::query(path, "CREATE TRIGGER falha BEFORE INSERT ON tblQuelmar WHEN NEW.Nome = 'Zeca' "
                        "BEGIN SELECT RAISE(ABORT, 'disco cheio simulado'); END");
    const interchange::ImportSummary failed =
        interchange::importTable(path, interchange::readCsv("Nome\nEva\nZeca\n"));
    QVERIFY(failed.error.text.contains("disco cheio simulado"));
    QCOMPARE(testdb::storedNames(path), names);
}

// Exported, then imported into another book: every field as it was.
void TestImport::roundTrip()
{
    Record c;
    for (const Field f : recordOrder())
        c[f] = QString("campo %1; \"ç\" =x\n👩\u200d💻").arg(int(f));
    c[Nome] = "Zé D'Ávila; \"o\"";
    c[CelularRes] = "(11) 98765-4321";
    c[FoneRes] = "(__) ____-____";
    c[CepRes] = "01.310-100";
    c[Email] = "=cmd|' /C calc'!A0";
    QTemporaryDir dir;
    const QString path = dir.filePath("Quelmar.mdb");
    testdb::createEmpty(path);
    const interchange::ImportSummary s = interchange::importTable(
        path, interchange::readCsv(interchange::csvHeader() + interchange::csvLine(c)));
    QCOMPARE(s.imported, qint64(1));
    QStringList expected; // each on one line
    for (const Field field : recordOrder())
        expected << QString(c[field]).replace(u'\n', u' ');
    QCOMPARE(testdb::storedContacts(path), QList<QStringList>{expected});
}

void TestImport::otherPrograms_data()
{
    QTest::addColumn<QString>("csv");
    QTest::addColumn<QStringList>("stored"); // "column=text" of the one contact
    QTest::newRow("Google Contacts")
        << "Name,Given Name,Family Name,E-mail 1 - Type,E-mail 1 - Value,E-mail 2 - Type,"
           "E-mail 2 - Value,Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,"
           "Phone 3 - Type,Phone 3 - Value,Address 1 - Type,Address 1 - Formatted,"
           "Address 1 - Street,Address 1 - City,Address 1 - Region,Address 1 - Postal Code,"
           "Address 1 - Extended Address,Address 2 - Type,Address 2 - City\r\n"
           "Jéssica Souza,Jéssica,Souza,Other,j@old.example,* Home,jessica@example.com,"
           "Mobile,+55 11 98765-4321 ::: +55 11 91234-5678,Work Fax,(21) 3333-5555,Work,"
           "(21) 3333-4444,Home,\"Rua A, 1\nSão Paulo\",\"Rua A, 1\",São Paulo,SP,01310-100,"
           "Bela Vista,Work,Niterói\r\n"
        << QStringList({"Nome=Jéssica Souza", "Email=jessica@example.com",
                        "CelularPessoal=(11) 98765-4321", "FoneComercial=(21) 3333-4444",
                        "FoneResidencial=", "EndResidencial=Rua A, 1",
                        "BairroResidencial=Bela Vista", "CEPResidencial=01.310-100",
                        "CidadeComercial=Niterói"});
    QTest::newRow("name in parts, labels in Portuguese")
        << "First Name,Middle Name,Last Name,Phone 1 - Label,Phone 1 - Value\n"
           "Ana,,Lima,Celular comercial,011 98765 4321\n"
        << QStringList({"Nome=Ana Lima", "CelularComercial=(11) 98765-4321", "CelularPessoal="});
    QTest::newRow("numbers, CEP and state as a spreadsheet holds them")
        << "Nome;FoneResidencial;FoneComercial;CelularPessoal;CelularComercial;CEPResidencial;"
           "EstadoResidencial;EstadoComercial\n"
           "Caio;(31) 3222-1000 ramal 12;(31) 3222-1000 ramal 215;0800 727 0101;(206) 555-9857;"
           "1310100;sao paulo;Rio Grande do Norte\n"
        << QStringList({"FoneResidencial=(31) 3222-1000 ramal 12", "FoneComercial=(31) 3222-1000",
                        "RamalComercial=215", "CelularPessoal=0800 727 0101",
                        "CelularComercial=(206) 555-9857", "CEPResidencial=01.310-100",
                        "EstadoResidencial=SP", "EstadoComercial=RN"});
}

// Address books' own CSV layouts: typed columns and names in parts.
void TestImport::otherPrograms()
{
    QFETCH(QString, csv);
    QFETCH(QStringList, stored);
    QTemporaryDir dir;
    const QString path = dir.filePath("Quelmar.mdb");
    testdb::createEmpty(path);
    QVERIFY(testdb::writeFile(dir.filePath("contatos.csv"), csv.toUtf8()));
    const interchange::ImportSummary s =
        interchange::importFile(path, dir.filePath("contatos.csv"));
    QVERIFY2(!s.error, qPrintable(s.error.text));
    QCOMPARE(s.imported, qint64(1));
    const QStringList contact = testdb::storedContacts(path).value(0);
    for (const QString& expected : stored) {
        const QString column = expected.section(u'=', 0, 0);
        QCOMPARE(column + u'=' + contact.value(FieldNames.indexOf(column)), expected);
    }
}

// Stopped midway, an import leaves the book as it was.
void TestImport::cancelled()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Quelmar.mdb");
    testdb::createEmpty(path);
    QString csv = "Nome\n";
    for (int i = 0; i < 2 * interchange::ProgressStep; ++i)
        csv += QString("Contato %1\n").arg(i);
    qint64 seen = 0;
    const interchange::ImportSummary s =
        interchange::importTable(path, interchange::readCsv(csv), [&seen](qint64 done, qint64) {
            seen = done;
            return done == 0;
        });
    QCOMPARE(s.error.kind, StoreError::Cancelled);
    QCOMPARE(seen, interchange::ProgressStep);
    QCOMPARE(testdb::storedNames(path), QStringList());
}

void TestImport::filesThatFail_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("said"); // the refusal, or "" when rows are counted instead
    QTest::addColumn<int>("failed");
    QTest::addColumn<QString>("told"); // of the rows counted
    QTest::newRow("empty") << QByteArray("\n \n") << "vazio" << 0 << "";
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\x81\x8d", 12) << "não é texto" << 0
                            << "";
    QTest::newRow("bad quote") << QByteArray("Nome;Email\nAna;\"a@b\n") << "Aspas" << 0 << "";
    QTest::newRow("no name column")
        << QByteArray("Cidade;Estado\nRio;RJ\n") << "coluna de nome" << 0 << "";
    QTest::newRow("truncated vCard")
        << QByteArray("BEGIN:VCARD\nFN:Ana\nEND:VCARD\nBEGIN:VCARD\nFN:Bi") << "" << 1
        << "Cartões com erro (sem nome ou que não puderam ser lidos), nas linhas: 4.";
    QTest::newRow("a cell too many")
        << QByteArray("Nome;Email\nAna;a@b\nBia;b@x;sobra\n") << "" << 1
        << "Linhas com erro (sem nome ou com células a mais ou a "
           "menos): 3.";
}

// Files that cannot be read give their reason and change nothing; a card cut
// short is counted and the others come in.
void TestImport::filesThatFail()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, said);
    QFETCH(int, failed);
    QFETCH(QString, told);
    QTemporaryDir dir;
    const QString path = dir.filePath("Quelmar.mdb");
    testdb::createEmpty(path);
    QVERIFY(testdb::writeFile(dir.filePath("entrada"), content));
    const QByteArray before = testdb::fileBytes(path);
    const interchange::ImportSummary s = interchange::importFile(path, dir.filePath("entrada"));
    if (!said.isEmpty()) {
        QVERIFY2(s.error.text.contains(said), qPrintable(s.error.text));
        QCOMPARE(testdb::fileBytes(path), before);
    } else {
        QVERIFY(!s.error);
        QCOMPARE(s.failedLines.size(), failed);
        QCOMPARE(interchange::failedLinesText(s.source, s.failedLines), told);
        QCOMPARE(testdb::storedNames(path), QStringList({"Ana"}));
    }
}

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
