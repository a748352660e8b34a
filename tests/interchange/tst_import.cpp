#include "export.h"
#include "import.h"
#include "oneline.h"
#include "testdb.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

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
    void everyCaseRoundTrip_data();
    void everyCaseRoundTrip();
    void hostileRoundTrip_data();
    void hostileRoundTrip();
    void otherPrograms_data();
    void otherPrograms();
    void portugueseHeaders_data();
    void portugueseHeaders();
    void namesOfOthers_data();
    void namesOfOthers();
    void labels_data();
    void labels();
    void leftOut_data();
    void leftOut();
    void tooLong_data();
    void tooLong();
    void oneLine_data();
    void oneLine();
    void cancelled();
    void filesThatFail_data();
    void filesThatFail();
    void encodings_data();
    void encodings();
    void longFiles_data();
    void longFiles();
    void specialFiles_data();
    void specialFiles();
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
    c[CepCom] = "CEP; \"ç\" =x\n👩\u200d💻"; // a CEP holds 20 characters
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

void TestImport::everyCaseRoundTrip_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("CSV") << "saida.csv";
    QTest::newRow("vCard") << "saida.vcf";
}

// A book holding every stored form, exported and imported into a new book,
// gives the same book.
void TestImport::everyCaseRoundTrip()
{
    QFETCH(QString, file);
    QTemporaryDir dir;
    const QString book = dir.filePath("Quelmar.mdb");
    const QString copy = dir.filePath("Copia.mdb");
    testdb::createEmpty(book);
    testdb::createEmpty(copy);
    // Nome, Email, EndRes, BairroRes, CidadeRes, UfRes, CepRes, FoneRes, CelularRes,
    // EndCom, BairroCom, CidadeCom, UfCom, CepCom, CelularCom, FoneCom, Ramal
    const QList<QStringList> contacts = {
        {"Maria da Conceição Araújo", "maria@x.com", "Rua A, 10 fundos", "Centro", "São Paulo",
         "SP", "01.310-100", "0800 727 0101", "(11) 98765-4321", "Av. B, 2", "", "Belo Horizonte",
         "MG", "30.130-000", "(31) 99876-5432", "(31) 3222-1000", "215"},
        {"José Carlos da Silva Filho", "", "", "", "", "Campinas", "", "4004-0001",
         "(206) 555-9857", "", "", "", "", "", "", "", ""},
        {"Padaria Pão Quente Ltda.", "", "", "", "", "", "", "(31) 3222-1000 ramal 12", "", "", "",
         "", "", "", "", "(11) 3333-4444", ""},
        {"Zé", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", ""},
    };
    for (const QStringList& c : contacts)
        testdb::insertContact(book, c);
    interchange::Format format;
    QVERIFY(interchange::formatOf(file, &format));
    QVERIFY(!interchange::exportContacts(book, dir.filePath(file), format).error);
    const interchange::ImportSummary s = interchange::importFile(copy, dir.filePath(file));
    QVERIFY2(!s.error, qPrintable(s.error.text));
    QCOMPARE(testdb::storedContacts(copy), testdb::storedContacts(book));
}

void TestImport::hostileRoundTrip_data()
{
    everyCaseRoundTrip_data();
}

// A book holding what the import never stores, exported and imported into a
// new book, gives the book as the import's clean-up leaves it.
void TestImport::hostileRoundTrip()
{
    QFETCH(QString, file);
    QTemporaryDir dir;
    const QString book = dir.filePath("Quelmar.mdb");
    const QString copy = dir.filePath("Copia.mdb");
    testdb::createEmpty(book);
    testdb::createEmpty(copy);
    QStringList hostile;
    for (int f = 0; f < FieldCount; ++f)
        hostile << QString("x%1").arg(f);
    const auto nul = [](const char16_t* text) {
        return QString::fromUtf16(text).replace(u'@', QChar(0));
    };
    hostile[Nome] = nul(u"An@a\x01\x1b[31m\u2028Sou\u202Eza\u2066\x7f\u0085");
    hostile[EndRes] = "\tRua A,\r10\u2029fundos\\n; \"x\"\r\n";
    hostile[CidadeRes] = nul(u"S@\u200e\u202Ao \u2067Paulo");
    hostile[Ramal] = "\x0b\x0c"
                     "215\x1f";
    testdb::insertContact(book, hostile);
    QStringList cleaned = testdb::storedContacts(book).value(0);
    QCOMPARE(cleaned.value(Nome), hostile[Nome]); // stored as it stands
    for (QString& value : cleaned)
        value = textline::oneLine(value).trimmed();
    interchange::Format format;
    QVERIFY(interchange::formatOf(file, &format));
    QVERIFY(!interchange::exportContacts(book, dir.filePath(file), format).error);
    const interchange::ImportSummary s = interchange::importFile(copy, dir.filePath(file));
    QVERIFY2(!s.error, qPrintable(s.error.text));
    QCOMPARE(testdb::storedContacts(copy), QList<QStringList>{cleaned});
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

namespace {
// content imported as a file into a book that holds Maria alone; the contacts
// stored after her into imported.
// An empty book and a file of content beside it, imported into the book.
struct FileImport {
    QTemporaryDir dir;
    QString book = dir.filePath("Quelmar.mdb");
    interchange::ImportSummary run(const QByteArray& content, const QString& name = "entrada")
    {
        if (!QFile::exists(book))
            testdb::createEmpty(book);
        if (!testdb::writeFile(dir.filePath(name), content))
            qFatal("could not write the file to import");
        return interchange::importFile(book, dir.filePath(name));
    }
};

interchange::ImportSummary importNew(const QString& content, QList<QStringList>* imported)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Quelmar.mdb");
    testdb::createEmpty(path);
    testdb::insertContact(path, {"Maria da Conceição Araújo", "maria@example.com", "", "", "", "",
                                 "", "", "", "", "", "", "", "", "", "", ""});
    testdb::writeFile(dir.filePath("contatos"), content.toUtf8());
    const interchange::ImportSummary s = interchange::importFile(path, dir.filePath("contatos"));
    *imported = testdb::storedContacts(path).mid(1);
    return s;
}
} // namespace

void TestImport::portugueseHeaders_data()
{
    QTest::addColumn<QString>("csv");
    QTest::addColumn<QStringList>("stored");
    const QString mail = "Nome;Sobrenome;Nome de exibição;Apelido;E-mail principal;"
                         "E-mail secundário;Telefone comercial;Telefone residencial;Celular;"
                         "Endereço residencial;Bairro;Cidade;Estado;CEP\n";
    QTest::newRow("display name")
        << mail + "Ana;Souza;Ana Souza (Vendas);Aninha;ana@x.com;;(11) 3333-4444;(11) 2222-1111;"
                  "11 98877-6655;Rua A, 1;Centro;São Paulo;São Paulo;01310100\n"
        << QStringList({"Nome=Ana Souza (Vendas)", "Email=ana@x.com",
                        "FoneComercial=(11) 3333-4444", "FoneResidencial=(11) 2222-1111",
                        "CelularPessoal=(11) 98877-6655", "BairroResidencial=Centro",
                        "EstadoResidencial=SP"});
    QTest::newRow("the name's parts") << mail + "Ana;Souza;;;;ana@y.com;;;;;;;;\n"
                                      << QStringList({"Nome=Ana Souza", "Email=ana@y.com"});
    QTest::newRow("middle name, E-mail 1")
        << "Nome;Nome do meio;Sobrenome;E-mail 1\nJosé;Carlos;da Silva;jose@x.com\n"
        << QStringList({"Nome=José Carlos da Silva", "Email=jose@x.com"});
    QTest::newRow("business address")
        << "Nome completo;Endereço comercial;Bairro comercial;Cidade comercial;Estado comercial;"
           "CEP comercial;Ramal;Endereço de e-mail\nCaio;Av. B, 2;Savassi;BH;MG;30140000;215;c@x\n"
        << QStringList({"EndComercial=Av. B, 2", "BairroComercial=Savassi", "CidadeComercial=BH",
                        "EstadoComercial=MG", "CEPComercial=30.140-000", "RamalComercial=215",
                        "Email=c@x"});
}

// Mail programs' and spreadsheets' headers in Portuguese.
void TestImport::portugueseHeaders()
{
    otherPrograms();
}

void TestImport::namesOfOthers_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("name"); // "": counted as an error
    QTest::newRow("company") << "Nome;Empresa;Email\n;Padaria Pão Quente Ltda.;p@x\n"
                             << "Padaria Pão Quente Ltda.";
    QTest::newRow("e-mail before a number")
        << "Nome;Organização;Celular;E-mail principal\n;;11 98877-6655;bia@x\n"
        << "bia@x";
    QTest::newRow("a number, vCard") << "BEGIN:VCARD\nTEL;TYPE=CELL:11 98877-6655\nEND:VCARD\n"
                                     << "(11) 98877-6655";
    QTest::newRow("nothing") << "Nome;Empresa;Cidade\n;;Rio\n"
                             << "";
}

// With no person's name, a contact goes by its company, else by an e-mail or a number.
void TestImport::namesOfOthers()
{
    QFETCH(QString, content);
    QFETCH(QString, name);
    QList<QStringList> imported;
    const interchange::ImportSummary s = importNew(content, &imported);
    QCOMPARE(s.failedLines.size(), name.isEmpty() ? 1 : 0);
    QCOMPARE(imported.value(0).value(0), name);
}

void TestImport::labels_data()
{
    QTest::addColumn<QString>("csv"); // or vCards
    QTest::addColumn<QStringList>("stored");
    const QString card = "BEGIN:VCARD\nFN:Ana\n%1\nEND:VCARD\n";
    QTest::newRow("vCard: Escritório")
        << card.arg("item1.TEL;type=pref:(21) 3333-4444\nitem1.X-ABLabel:Escritório")
        << QStringList({"FoneComercial=(21) 3333-4444", "FoneResidencial="});
    QTest::newRow("vCard: the label wins over the type")
        << card.arg("item2.X-ABLabel:Celular\nitem2.TEL;TYPE=WORK:21 98888-7777\n"
                    "item3.TEL;TYPE=CELL:(21) 2222-1111\nitem3.X-ABLabel:Casa")
        << QStringList({"CelularPessoal=(21) 98888-7777", "FoneResidencial=(21) 2222-1111",
                        "FoneComercial="});
    QTest::newRow("CSV") << "Name,Phone 1 - Label,Phone 1 - Value,Phone 2 - Label,Phone 2 - Value\n"
                            "Ana,Escritório,(21) 3333-4444,Residencial,(21) 2222-1111\n"
                         << QStringList(
                                {"FoneComercial=(21) 3333-4444", "FoneResidencial=(21) 2222-1111"});
}

// A phone's or an address's label says which field it goes to.
void TestImport::labels()
{
    otherPrograms();
}

void TestImport::leftOut_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("told");
    QTest::newRow("second e-mail column") << "Nome;E-mail principal;E-mail 2\nAna Souza;a@x;a2@x\n"
                                          << "1 valor não coube: Ana Souza (linha 2): e-mail a2@x.";
    QTest::newRow("vCard: second mobile, a preferred e-mail after another")
        << "BEGIN:VCARD\nFN:Ana Souza\nTEL;TYPE=CELL:+55 11 98765-4321\nEMAIL:a@x\n"
           "TEL;TYPE=CELL:+55 11 98877-6655\nEMAIL;TYPE=PREF:b@x\nEND:VCARD\n"
        << "2 valores não couberam: Ana Souza (linha 1): celular +55 11 98877-6655; Ana Souza "
           "(linha 1): e-mail a@x.";
    QTest::newRow("typed columns: a cell's second number, a second home address")
        << "Name,Phone 1 - Type,Phone 1 - Value,Address 1 - Type,Address 1 - Street,"
           "Address 2 - Type,Address 2 - Street,Address 2 - City\n"
           "Bia,Mobile,+55 11 91111-1111 ::: 11 92222-2222,Home,Rua A,Home,\"Rua B\nfundos\",Rio\n"
        << "2 valores não couberam: Bia (linha 2): celular 11 92222-2222; Bia (linha 2): "
           "endereço residencial Rua B fundos, Rio.";
    QString many = "Nome;Celular;Telefone celular\n";
    QString told = "102 valores não couberam: ";
    for (int i = 1; i <= 102; ++i) {
        many += QString("C%1;11 98877-6655;11 91234-5678\n").arg(i);
        told += i > 100 ? "" : QString("C%1 (linha %2): celular 11 91234-5678; ").arg(i).arg(i + 1);
    }
    QTest::newRow("the first hundred named") << many << told + "e mais 2.";
    QTest::newRow("a duplicate's not told")
        << "Nome;Email;E-mail 2\nMaria da Conceição Araújo;maria@example.com;m@x\n"
        << "";
}

// Values with no room in their contact are counted and named.
void TestImport::leftOut()
{
    QFETCH(QString, content);
    QFETCH(QString, told);
    QList<QStringList> imported;
    QCOMPARE(importNew(content, &imported).leftOutText(), told);
}

void TestImport::tooLong_data()
{
    QTest::addColumn<QString>("csv"); // or vCards
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("told");
    const QString name = QString(49, u'a');
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // two halves
    QTest::newRow("name cut at 50, a pair not split")
        << "Nome;Cidade\n" + name + emoji + "b;Rio\n"
        << QStringList({"Nome=" + name, "CidadeResidencial=Rio"})
        << "1 valor não coube: " + name + " (linha 2): nome " + name + emoji + "b.";
    QTest::newRow("e-mail, phone and CEP left out, not cut")
        << "Nome;Email;Celular;CEP\nAna;" + QString(45, u'a') + "@x.com.br;" + QString(31, u'9') +
               ";" + QString(21, u'1') + "\n"
        << QStringList({"Email=", "CelularPessoal=", "CEPResidencial="})
        << "3 valores não couberam: Ana (linha 2): e-mail " + QString(45, u'a') +
               "@x.com.br; Ana (linha 2): CEP " + QString(21, u'1') + "; Ana (linha 2): celular " +
               QString(31, u'9') + ".";
    QTest::newRow("vCard: long street cut at 65,535, named in short")
        << "BEGIN:VCARD\nFN:Ana\nADR:;;" + QString(70000, u'r') + ";;;;\nEND:VCARD\n"
        << QStringList({"EndResidencial=" + QString(65535, u'r')})
        << "1 valor não coube: Ana (linha 1): endereço residencial " + QString(79, u'r') + "….";
    // Longer than the pieces the file is read in; what is not stored is read over.
    const qsizetype huge = 5 << 20;
    QTest::newRow("CSV: a 5 MB name cut at 50, a 5 MB unknown cell")
        << "Nome;Cidade;Outra\n" + QString(huge, u'a') + ";Rio;" + QString(huge, u'x') + "\n"
        << QStringList({"Nome=" + QString(50, u'a'), "CidadeResidencial=Rio"})
        << "1 valor não coube: " + QString(50, u'a') + " (linha 2): nome " + QString(95, u'a') +
               "….";
    QTest::newRow("vCard: a 5 MB name cut at 50, a 5 MB photo")
        << "BEGIN:VCARD\nFN:" + QString(huge, u'n') + "\nPHOTO;ENCODING=b:" +
               QString(huge, u'A').replace(QString(74, u'A'), QString(74, u'A') + "\n ") +
               "\nTEL;TYPE=CELL:11 98877-6655\nEND:VCARD\n"
        << QStringList({"Nome=" + QString(50, u'n'), "CelularPessoal=(11) 98877-6655"})
        << "1 valor não coube: " + QString(50, u'n') + " (linha 1): nome " + QString(95, u'n') +
               "….";
}

// A value longer than its field is cut, or left out when cut it would be
// wrong, and told.
void TestImport::tooLong()
{
    otherPrograms();
    QFETCH(QString, csv);
    QFETCH(QString, told);
    QList<QStringList> imported;
    QCOMPARE(importNew(csv, &imported).leftOutText(), told);
}

void TestImport::oneLine_data()
{
    QTest::addColumn<QString>("csv");        // or vCards
    QTest::addColumn<QStringList>("stored"); // none: a duplicate of Maria
    QTest::newRow("CSV: blanks, a duplicate")
        << "Nome;Email\n  Maria da Conceição Araújo ;maria@example.com \n"
        << QStringList();
    QTest::newRow("CSV: a quoted cell on two lines, a tab")
        << "Nome;Endereço;Cidade\nAna;\"Rua A, 10\r\nfundos \";\"São\tPaulo\"\n"
        << QStringList({"EndResidencial=Rua A, 10 fundos", "CidadeResidencial=São Paulo"});
    QTest::newRow("vCard: quoted-printable NUL, controls and a line separator")
        << "BEGIN:VCARD\nFN;ENCODING=QUOTED-PRINTABLE:An=00a=01=0D=0A=E2=80=A8Sou=7Fza\n"
           "ADR;ENCODING=QUOTED-PRINTABLE:;;Rua=09A=C2=85;;;;\nEND:VCARD\n"
        << QStringList({"Nome=Ana  Souza", "EndResidencial=Rua A"});
    QTest::newRow("vCard: quoted-printable Windows-1252 with no character set")
        << "BEGIN:VCARD\nFN;ENCODING=QUOTED-PRINTABLE:Jo=E3o\nEND:VCARD\n"
        << QStringList({"Nome=João"});
    QTest::newRow("vCard: an escaped line break, blanks")
        << "BEGIN:VCARD\nFN: Ana \nADR:;  Centro ;Rua A\\, 10\\nfundos;;;;\nEND:VCARD\n"
        << QStringList({"Nome=Ana", "EndResidencial=Rua A, 10 fundos", "BairroResidencial=Centro"});
}

// Every value trimmed and on one line; duplicates found on the cleaned texts.
void TestImport::oneLine()
{
    QFETCH(QStringList, stored);
    if (stored.isEmpty()) {
        QFETCH(QString, csv);
        QList<QStringList> imported;
        QCOMPARE(importNew(csv, &imported).duplicates, qint64(1));
    } else {
        otherPrograms();
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
    QTest::newRow("vCard: quoted-printable not in its UTF-8")
        << QByteArray("BEGIN:VCARD\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Jo=E3o\n"
                      "END:VCARD\nBEGIN:VCARD\nFN:Ana\nEND:VCARD\n")
        << "" << 1 << "Cartões com erro (sem nome ou que não puderam ser lidos), nas linhas: 1.";
    QTest::newRow("a cell too many")
        << QByteArray("Nome;Email\nAna;a@b\nBia;b@x;sobra\n") << "" << 1
        << "Linhas com erro (sem nome ou com células a mais ou a "
           "menos): 3.";
}

// Files that cannot be read give their reason and change nothing; a card cut
// short is counted and the others come in.
void TestImport::encodings_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("failed");
    QTest::addColumn<QString>("told");
    QTest::newRow("UTF-8 with two Windows-1252 records, one on two lines")
        << QByteArray("Nome;Cidade\nJo\xC3\xA3o;Rio\nJos\xE9;S\xE3o Paulo\n"
                      "Ana;\"S\xE3o\nJo\xE3o\"\nBia;Bel\xC3\xA9m\n")
        << QStringList({"João", "José", "Ana", "Bia"}) << QList<int>()
        << "2 linhas lidas como Windows-1252: 3, 4";
    QTest::newRow("a byte Windows-1252 leaves undefined")
        << QByteArray("Nome\r\nAna\r\nX\x81\r\nJos\xE9") << QStringList({"Ana", "José"})
        << QList<int>({3}) << "1 linha lida como Windows-1252: 4";
    QTest::newRow("UTF-8 byte order mark: no Windows-1252")
        << QByteArray("\xEF\xBB\xBFNome\nJos\xE9\nAna\n") << QStringList({"Ana"}) << QList<int>({2})
        << "";
    const QString utf16 = "Nome;Cidade\nJoão;São Paulo\n";
    QTest::newRow("UTF-16 byte order mark")
        << QByteArray("\xFF\xFE") +
               QByteArray(reinterpret_cast<const char*>(utf16.utf16()), utf16.size() * 2)
        << QStringList({"João"}) << QList<int>() << "";
}

// A CSV file's records are each read as UTF-8 when they are, else as
// Windows-1252, and told; one neither can read is a line with an error.
void TestImport::encodings()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, names);
    QFETCH(QList<int>, failed);
    QFETCH(QString, told);
    FileImport file;
    const interchange::ImportSummary s = file.run(content, "entrada.csv");
    const QString& path = file.book;
    QVERIFY2(!s.error, qPrintable(s.error.text));
    QCOMPARE(testdb::storedNames(path), names);
    QCOMPARE(s.failedLines, failed);
    QCOMPARE(s.windows1252Text(), told);
}

void TestImport::filesThatFail()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, said);
    QFETCH(int, failed);
    QFETCH(QString, told);
    FileImport file;
    testdb::createEmpty(file.book);
    const QString& path = file.book;
    const QByteArray before = testdb::fileBytes(path);
    const interchange::ImportSummary s = file.run(content);
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

void TestImport::longFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("said"); // the refusal, or "" when the contacts come in
    QTest::addColumn<int>("imported");
    QTest::addColumn<QString>("last"); // the last contact's name
    // Past the 4 MB the file is read in at a time.
    QByteArray rows = "Nome;Email\n";
    for (int i = 0; rows.size() < (5 << 20); ++i)
        rows += "Contato " + QByteArray::number(i) + ";contato" + QByteArray::number(i) +
                "@example.com\n";
    const int count = int(rows.count('\n')) - 1;
    QTest::newRow("Windows-1252 at the end") << rows + "Jos\xE9;jose@example.com\n"
                                             << "" << count + 1 << "José";
    QTest::newRow("NUL at the end") << rows + QByteArray("Ana;\0\n", 6) << "não é texto" << 0 << "";
    QTest::newRow("quoted lines across pieces")
        << "Nome;Email\nAna;\"" + QByteArray(5 << 20, '\n') + "\"\nBia;b@x\n"
        << "" << 2 << "Bia";
    QByteArray cards;
    while (cards.size() < (5 << 20))
        cards += "BEGIN:VCARD\r\nFN:Ana\r\nNOTE:a\r\n b\r\nEND:VCARD\r\n";
    QTest::newRow("vCards") << cards + "BEGIN:VCARD\r\nFN:Bia\r\nEND:VCARD\r\n"
                            << "" << int(cards.count("BEGIN")) + 1 << "Bia";
    QTest::newRow("folded line across pieces")
        << "BEGIN:VCARD\r\nNOTE:a" + QByteArray(5 << 20, ' ').replace("  ", "\n ") +
               "\r\nFN:Ana\r\nEND:VCARD\r\n"
        << "" << 1 << "Ana";
}

// A file longer than the pieces it is read in comes in as a whole: its encoding
// decided on all of it, rows and lines that go on past a piece read whole.
void TestImport::longFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, said);
    QFETCH(int, imported);
    QFETCH(QString, last);
    FileImport file;
    const interchange::ImportSummary s = file.run(content);
    const QString& path = file.book;
    if (!said.isEmpty()) {
        QVERIFY2(s.error.text.contains(said), qPrintable(s.error.text));
        return;
    }
    QVERIFY2(!s.error, qPrintable(s.error.text));
    QCOMPARE(s.imported + s.duplicates, qint64(imported));
    QVERIFY(s.failedLines.isEmpty());
    QCOMPARE(testdb::storedNames(path).constLast(), last);
}

QTEST_GUILESS_MAIN(TestImport)
// Nothing is read from what is not a regular file, nor through a link: a pipe
// would block the import, a device would never end.
void TestImport::specialFiles_data()
{
    QTest::addColumn<QString>("kind"); // what to make at the source
    QTest::addColumn<QString>("said");
    QTest::newRow("pipe") << "fifo"
                          << "um pipe (FIFO)";
    QTest::newRow("device") << "/dev/zero"
                            << "um dispositivo";
    QTest::newRow("folder") << "folder"
                            << "uma pasta";
    QTest::newRow("link to a good file") << "link"
                                         << "um link simbólico";
    QTest::newRow("missing") << "none"
                             << "Não foi possível abrir";
}

void TestImport::specialFiles()
{
    QFETCH(QString, kind);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString path = dir.filePath("Quelmar.mdb");
    testdb::createEmpty(path);
    QString source = dir.filePath("entrada");
    QVERIFY(testdb::writeFile(dir.filePath("boa.csv"), "Nome\nAna\n"));
    if (kind == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(source).constData(), 0600), 0);
    else if (kind == "folder")
        QVERIFY(QDir(dir.path()).mkdir("entrada"));
    else if (kind == "link")
        QVERIFY(QFile::link(dir.filePath("boa.csv"), source));
    else if (kind != "none")
        source = kind;
    const interchange::ImportSummary s = interchange::importFile(path, source);
    QVERIFY2(s.error.text.contains(said), qPrintable(s.error.text));
    QVERIFY(testdb::storedNames(path).isEmpty());
}

#include "tst_import.moc"
