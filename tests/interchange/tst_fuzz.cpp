#include "import.h"
#include "testdb.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

// Each reader over thousands of seeded mutations of a vCard and a CSV file, as
// damaged or hostile files come: no crash, no hang (the test's timeout), and
// every import either goes through or leaves the book as it was. The seed is
// printed; LISTRANO_SEED replays a run and LISTRANO_FUZZ_RUNS sets its length.
class TestFuzz : public QObject {
    Q_OBJECT

private slots:
    void mutations_data();
    void mutations();
};

namespace {
const QByteArray VCardSample =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Maria da Concei\xC3\xA7\xC3\xA3o\r\n"
    "N:Concei\xC3\xA7\xC3\xA3o;Maria;da;;\r\nEMAIL;TYPE=INTERNET:maria@example.com\r\n"
    "TEL;TYPE=WORK,VOICE:+55 31 3222-1000,215\r\nitem1.TEL:(11) 3333-4444\r\n"
    "item1.X-ABLabel:Escrit\xC3\xB3rio\r\nADR;TYPE=HOME:;Centro;Rua A\\, 10;S\xC3\xA3o Paulo;SP;"
    "01310-100;\r\nNOTE;ENCODING=QUOTED-PRINTABLE:linha=0D=0Aoutra=\r\n fim\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Souza;Ana\r\nTEL;CELL:011 98765-4321\r\nEND:VCARD\r\n";
const QByteArray CsvSample =
    "Nome;E-mail principal;Telefone residencial;Celular;CEP;Estado;Empresa\r\n"
    "\"Jo\xC3\xA3o \"\"Z\xC3\xA9\"\" Batista\";joao@example.com;0800 727 0101;(11) 98765-4321;"
    "1310100;sao paulo;\r\n;;;;;;Padaria P\xC3\xA3o Quente Ltda.\r\n"
    "\"Rua\nquebrada\";x@y.z;(206) 555-9857;;01310 100;sp;\r\n";

QByteArray mutated(QByteArray bytes, QRandomGenerator& random)
{
    static const QByteArray special = QByteArray(":;=,\"\r\n\\\0\xFF\xC3\x81\xEF\xBB\xBF", 17);
    const int edits = 1 + int(random.bounded(8));
    for (int e = 0; e < edits && !bytes.isEmpty(); ++e) {
        const int at = int(random.bounded(bytes.size()));
        switch (random.bounded(5)) {
        case 0:
            bytes[at] = char(random.bounded(256));
            break;
        case 1:
            bytes.insert(at, special.at(int(random.bounded(special.size()))));
            break;
        case 2:
            bytes.remove(at, int(random.bounded(1 + bytes.size() - at)) % 64);
            break;
        case 3:
            bytes.insert(at, bytes.mid(int(random.bounded(bytes.size())), 80));
            break;
        default:
            bytes.truncate(at);
            break;
        }
    }
    return bytes;
}
} // namespace

void TestFuzz::mutations_data()
{
    QTest::addColumn<QByteArray>("sample");
    QTest::addColumn<QString>("name");
    QTest::newRow("vCard") << VCardSample << "amostra.vcf";
    QTest::newRow("CSV") << CsvSample << "amostra.csv";
}

void TestFuzz::mutations()
{
    QFETCH(QByteArray, sample);
    QFETCH(QString, name);
    bool given = false;
    const quint32 seed = quint32(qEnvironmentVariableIntValue("LISTRANO_SEED", &given));
    const int runs = qEnvironmentVariableIsSet("LISTRANO_FUZZ_RUNS")
                         ? qEnvironmentVariableIntValue("LISTRANO_FUZZ_RUNS")
                         : 3000;
    QRandomGenerator random(given ? seed : 20261208u);
    qInfo("seed %u, %d runs", given ? seed : 20261208u, runs);
    QTemporaryDir dir;
    const QString book = dir.filePath("Quelmar.mdb");
    const QString file = dir.filePath(name);
    testdb::createEmpty(book);
    testdb::insertContact(book, {"Bia", "bia@example.com"});
    for (int run = 0; run < runs; ++run) {
        const QByteArray bytes = mutated(sample, random);
        QVERIFY(testdb::writeFile(file, bytes));
        const QList<QStringList> before = testdb::storedContacts(book);
        const interchange::ImportSummary s = interchange::importFile(book, file);
        if (s.error)
            QVERIFY2(testdb::storedContacts(book) == before,
                     qPrintable(QString("run %1 failed and changed the book:\n%2")
                                    .arg(run)
                                    .arg(QString::fromLatin1(bytes.toPercentEncoding()))));
        if (run % 200 == 199) // the book kept small
            testdb::query(book, "DELETE FROM tblQuelmar WHERE rowid > 1");
    }
}

QTEST_APPLESS_MAIN(TestFuzz)
#include "tst_fuzz.moc"
