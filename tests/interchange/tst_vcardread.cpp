#include "export.h"
#include "import.h"
#include "testdb.h"
#include "vcardread.h"

#include <QTemporaryDir>
#include <QTest>

using namespace contact;

// vCards as phones and address books write them.
class TestVCardRead : public QObject {
    Q_OBJECT

private slots:
    void cards_data();
    void cards();
    void roundTrip();
};

void TestVCardRead::cards_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("value");
    const QString v21 =
        "BEGIN:VCARD\r\nVERSION:2.1\r\n"
        "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Concei=C3=A7=C3=A3o;Maria;;;\r\n"
        "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Maria Concei=C3=A7=C3=A3o Sa=\r\n"
        "ntos\r\nTEL;CELL:+55 11 98765-4321\r\nTEL;WORK;VOICE:(11) 3333-4444 x 12\r\n"
        "END:VCARD\r\n";
    const QString v30 = "BEGIN:VCARD\nVERSION:3.0\nFN:João\n  Batista\n"
                        "item1.EMAIL;type=INTERNET:outro@x.com\n"
                        "item2.EMAIL;type=INTERNET;type=pref:joao@x.com\n"
                        "ADR;TYPE=home,postal:;Centro;Rua A\\, 10\\nfundos;São Paulo;SP;01310100;\n"
                        "END:VCARD\n";
    const QString v40 = "BEGIN:VCARD\nVERSION:4.0\nN:Souza;Bia;;;\n"
                        "TEL;VALUE=uri;TYPE=\"cell,work\":tel:+55-21-99999-8888;ext=7\nEND:VCARD\n";
    QTest::newRow("2.1: quoted-printable name, soft break")
        << v21 << int(Nome) << "Maria Conceição Santos";
    QTest::newRow("2.1: bare types") << v21 << int(CelularRes) << "+55 11 98765-4321";
    QTest::newRow("2.1: extension") << v21 << int(Ramal) << "12";
    QTest::newRow("2.1: work phone") << v21 << int(FoneCom) << "(11) 3333-4444";
    QTest::newRow("3.0: folded name") << v30 << int(Nome) << "João Batista";
    QTest::newRow("3.0: preferred e-mail") << v30 << int(Email) << "joao@x.com";
    QTest::newRow("3.0: escapes") << v30 << int(EndRes) << "Rua A, 10\nfundos";
    QTest::newRow("3.0: district") << v30 << int(BairroRes) << "Centro";
    QTest::newRow("4.0: name from N") << v40 << int(Nome) << "Bia Souza";
    QTest::newRow("4.0: tel URI, a mobile keeps its extension")
        << v40 << int(CelularCom) << "+55 21 99999 8888 ramal 7";
    QTest::newRow("4.0: no business extension from a mobile") << v40 << int(Ramal) << "";
    const QString dialled = "BEGIN:VCARD\nFN:Ana\nX-LISTRANO-RAMAL:215\n"
                            "TEL;TYPE=WORK,VOICE:+55 31 3222-1000,216\nEND:VCARD\n";
    QTest::newRow("dialled extension: number") << dialled << int(FoneCom) << "+55 31 3222-1000";
    QTest::newRow("dialled extension wins over kept") << dialled << int(Ramal) << "216";
    QTest::newRow("kept extension wins over a cell's")
        << "BEGIN:VCARD\nFN:Ana\nTEL;TYPE=CELL:(31) 98765-4321 x 9\n"
           "TEL;TYPE=WORK:(31) 3222-1000\nX-LISTRANO-RAMAL:ramal 215\nEND:VCARD\n"
        << int(Ramal) << "ramal 215";
    QTest::newRow("name from N's three parts")
        << "BEGIN:VCARD\nN:da Silva Filho;José;Carlos;;\nEND:VCARD\n"
        << int(Nome) << "José Carlos da Silva Filho";
    QTest::newRow("company's name from ORG")
        << "BEGIN:VCARD\nN:;;;;\nORG:Padaria Pão Quente Ltda.;Vendas\nEND:VCARD\n"
        << int(Nome) << "Padaria Pão Quente Ltda.";
}

void TestVCardRead::cards()
{
    QFETCH(QString, text);
    QFETCH(int, field);
    QFETCH(QString, value);
    const interchange::CsvTable table = interchange::readVCards(text);
    QVERIFY(table.error.isEmpty());
    QCOMPARE(table.rows.size(), 1);
    QCOMPARE(table.rows.at(0).at(recordOrder().indexOf(Field(field))), value);
    // A long line comes in pieces cut anywhere: in a CR LF, a soft break, a fold.
    for (qsizetype cut = 1; cut < text.size(); ++cut) {
        QStringList pieces = {text.left(cut), text.mid(cut)};
        const interchange::CsvTable inTwo =
            interchange::collect([&](const interchange::RowSink& sink) {
                return interchange::readVCards(
                    [&pieces](QString* piece) {
                        return !pieces.isEmpty() && (*piece = pieces.takeFirst(), true);
                    },
                    sink);
            });
        QCOMPARE(inTwo.rows, table.rows);
    }
}

// Exported as vCards, imported into another book: the fields come back, and a
// card cut short is counted by its line.
void TestVCardRead::roundTrip()
{
    Record c;
    c[Nome] = "Zé D'Ávila; \"o\", 👩\u200d💻";
    c[Email] = "ze@example.com";
    c[EndRes] = "Rua 7, 10\nfundos";
    c[BairroRes] = "Centro";
    c[CidadeRes] = "Ouro Preto";
    c[UfRes] = "MG";
    c[CepRes] = "35.400-000";
    c[CelularRes] = "(31) 98765-4321";
    c[FoneCom] = "(31) 3333-4444";
    c[Ramal] = "12";
    QTemporaryDir dir;
    const QString path = dir.filePath("Quelmar.mdb");
    testdb::createEmpty(path);
    const QString cards = interchange::vCard(c) + "BEGIN:VCARD\r\nFN:Cortado\r\n";
    const interchange::ImportSummary s =
        interchange::importTable(path, interchange::readVCards(cards));
    QCOMPARE(s.imported, qint64(1));
    QCOMPARE(s.failedLines, QList<int>({11})); // the BEGIN of the card cut short
    QStringList expected;
    for (const Field field : recordOrder())
        expected << QString(c[field]).replace(u'\n', u' '); // stored on one line
    QCOMPARE(testdb::storedContacts(path), QList<QStringList>{expected});
}

QTEST_GUILESS_MAIN(TestVCardRead)
#include "tst_vcardread.moc"
