#include "card.h"
#include "import.h"
#include "writeback.h"

#include <QTest>

using namespace contact;

// Our changes written into the card they came from: read back, the card gives
// what the book holds, and what holds no change stays as it was.
class TestWriteBack : public QObject {
    Q_OBJECT

private slots:
    void withFields_data();
    void withFields();
    void everyField();
};

namespace {
// A card as a phone keeps it, with what we have no field for.
const QString PhoneCard = QStringLiteral(
    "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Agenda do telefone//PT\r\n"
    "N:Souza;Ana;Maria;;\r\nFN:Ana Maria Souza\r\nORG:Padaria Central;Vendas\r\n"
    "EMAIL;TYPE=INTERNET;TYPE=HOME:ana@casa.com.br\r\n"
    "EMAIL;TYPE=INTERNET;TYPE=WORK:ana@padaria.com.br\r\n"
    "TEL;TYPE=CELL;TYPE=VOICE;TYPE=pref:+55 11 98765-4321\r\n"
    "item1.TEL:+55 11 3333-4444\r\nitem1.X-ABLabel:Escritório\r\n"
    "ADR;TYPE=HOME:Caixa Postal 12;Centro;Rua das Flores\\, 10;São Paulo;SP;01310-100;Brasil\r\n"
    "BDAY:1980-05-17\r\nNOTE:Prefere ligação à tarde\\; não mandar SMS\r\n"
    "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAgGBgcGBQgHBwcJCQgKDBQNDAsL\r\n"
    " DBkSEw8UHRofHh0aHBwgJCwnICIsIxwcKDcpLDAxNDQ0Hyc5PTgyPC4zNDL/\r\n"
    "X-SOCIALPROFILE;TYPE=twitter:https://exemplo.com.br/ana\r\n"
    "UID:3f1c2a9e-0000-4000-8000-000000000001\r\nEND:VCARD\r\n");

Record clean(const Record& values)
{
    return interchange::cleanedContact(values);
}

// The card's lines, unfolded, but those that begin with one of skipped.
QStringList rawLines(const vcard::Card& card, const QStringList& skipped = {})
{
    QStringList lines;
    for (const vcard::ContentLine& line : card.lines()) {
        if (std::none_of(skipped.begin(), skipped.end(),
                         [&line](const QString& s) { return line.raw.startsWith(s); }))
            lines << line.raw;
    }
    return lines;
}
} // namespace

void TestWriteBack::withFields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("readBack");    // differs when the card has a second value
    QTest::addColumn<QStringList>("touched"); // the beginnings of the lines that may change
    QTest::addColumn<QString>("line");        // one the card then holds
    QTest::addColumn<QString>("absent");      // what it then holds nowhere
    const QString email = "EMAIL;TYPE=INTERNET;TYPE=HOME";
    const QString adr = "ADR;TYPE=HOME:Caixa Postal 12;Centro;";
    const QString v40 = "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Bia Souza\r\n"
                        "TEL;VALUE=uri;TYPE=\"work,voice\";PREF=1:tel:+55-21-2222-3333;ext=7\r\n"
                        "ADR;TYPE=work:;;Rua B;;;;\r\nEND:VCARD\r\n";
    const QString v21 = "BEGIN:VCARD\r\nVERSION:2.1\r\n"
                        "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Concei=C3=A7=C3=A3o;Maria;;;\r\n"
                        "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Maria Concei=C3=A7=C3=A3o\r\n"
                        "TEL;HOME;VOICE:3333-4444\r\nEND:VCARD\r\n";
    // clang-format off
    QTest::newRow("e-mail changed") << PhoneCard << int(Email) << "ana.souza@casa.com.br" << "ana.souza@casa.com.br"
        << QStringList{email} << email + ":ana.souza@casa.com.br" << "";
    QTest::newRow("e-mail emptied: the second is read") << PhoneCard << int(Email) << "" << "ana@padaria.com.br"
        << QStringList{email} << "EMAIL;TYPE=INTERNET;TYPE=WORK:ana@padaria.com.br" << "ana@casa";
    QTest::newRow("mobile changed") << PhoneCard << int(CelularRes) << "(21) 91234-5678" << "(21) 91234-5678"
        << QStringList{"TEL;TYPE=CELL"} << "TEL;TYPE=CELL;TYPE=VOICE;TYPE=pref:+55 21 91234-5678" << "";
    QTest::newRow("labelled business phone changed") << PhoneCard << int(FoneCom) << "(11) 2222-3333" << "(11) 2222-3333"
        << QStringList{"item1.TEL"} << "item1.TEL:+55 11 2222-3333" << "";
    QTest::newRow("labelled business phone emptied") << PhoneCard << int(FoneCom) << "" << ""
        << QStringList{"item1.TEL"} << "item1.X-ABLabel:Escritório" << "3333-4444";
    QTest::newRow("home phone filled") << PhoneCard << int(FoneRes) << "(11) 5555-6666" << "(11) 5555-6666"
        << QStringList() << "TEL;TYPE=HOME,VOICE:+55 11 5555-6666" << "";
    QTest::newRow("extension dialled") << PhoneCard << int(Ramal) << "215" << "215"
        << QStringList{"item1.TEL"} << "item1.TEL:+55 11 3333-4444,215" << "";
    QTest::newRow("extension kept, not dialled") << PhoneCard << int(Ramal) << "21 ou 22" << "21 ou 22"
        << QStringList() << "X-LISTRANO-RAMAL:21 ou 22" << "";
    QTest::newRow("name changed: FN and N") << PhoneCard << int(Nome) << "Ana Maria de Souza Lima"
        << "Ana Maria de Souza Lima" << QStringList{"FN", "N:"} << "N:Lima;Ana;Maria de Souza;;" << "";
    QTest::newRow("CEP alone changed") << PhoneCard << int(CepRes) << "04.567-000" << "04.567-000"
        << QStringList{"ADR"} << adr + "Rua das Flores\\, 10;São Paulo;SP;04567-000;Brasil" << "";
    QTest::newRow("street emptied") << PhoneCard << int(EndRes) << "" << ""
        << QStringList{"ADR"} << adr + ";São Paulo;SP;01310-100;Brasil" << "Flores";
    QTest::newRow("business city filled") << PhoneCard << int(CidadeCom) << "Campinas" << "Campinas"
        << QStringList() << "ADR;TYPE=WORK:;;;Campinas;;;" << "";
    QTest::newRow("4.0: e-mail filled") << v40 << int(Email) << "bia@x.com.br" << "bia@x.com.br"
        << QStringList() << "EMAIL:bia@x.com.br" << "INTERNET";
    QTest::newRow("4.0: mobile filled") << v40 << int(CelularRes) << "(21) 99999-8888" << "(21) 99999-8888"
        << QStringList() << "TEL;VALUE=uri;TYPE=cell:tel:+55-21-99999-8888" << "TYPE=CELL";
    QTest::newRow("4.0: URI phone changed, extension kept") << v40 << int(FoneCom) << "(21) 2222-4444" << "(21) 2222-4444"
        << QStringList{"TEL"} << "TEL;VALUE=uri;TYPE=\"work,voice\";PREF=1:tel:+55-21-2222-4444;ext=7" << "3333";
    QTest::newRow("4.0: extension changed") << v40 << int(Ramal) << "8" << "8"
        << QStringList{"TEL"} << "X-LISTRANO-RAMAL:8" << "ext=7";
    QTest::newRow("4.0: address filled") << v40 << int(BairroRes) << "Centro" << "Centro"
        << QStringList() << "ADR;TYPE=home:;Centro;;;;;" << "TYPE=HOME";
    QTest::newRow("4.0: address emptied goes") << v40 << int(EndCom) << "" << ""
        << QStringList{"ADR"} << "FN:Bia Souza" << "ADR";
    QTest::newRow("2.1: quoted-printable name written plainly") << v21 << int(Nome) << "Maria Conceição Lima"
        << "Maria Conceição Lima" << QStringList{"FN", "N;"} << "FN:Maria Conceição Lima" << "CHARSET";
    QTest::newRow("2.1: bare types kept") << v21 << int(FoneRes) << "(11) 3333-4445" << "(11) 3333-4445"
        << QStringList{"TEL"} << "TEL;HOME;VOICE:+55 11 3333-4445" << "3333-4444";
    // clang-format on
}

// The card read back gives the book's values, and the lines that hold no
// change are as they were, in their order.
void TestWriteBack::withFields()
{
    QFETCH(QString, text);
    QFETCH(int, field);
    QFETCH(QString, value);
    QFETCH(QString, readBack);
    QFETCH(QStringList, touched);
    QFETCH(QString, line);
    QFETCH(QString, absent);
    const vcard::Card card = vcard::Card::parse(text);
    const Record before = clean(vcard::fields(card));
    Record after = before;
    after[field] = value;
    const vcard::Card written = vcard::withFields(card, before, after);
    Record expected = after;
    expected[field] = readBack;
    const Record read = clean(vcard::fields(vcard::Card::parse(written.text())));
    for (int f = 0; f < FieldCount; ++f)
        QVERIFY2(read[f] == expected[f], qPrintable(column(Field(f)) + ": " + read[f]));
    const QStringList untouched = rawLines(card, touched);
    QStringList kept = rawLines(written);
    kept.removeIf([&untouched](const QString& l) { return !untouched.contains(l); });
    QCOMPARE(kept, untouched);
    QVERIFY2(rawLines(written).contains(line), qPrintable(written.text()));
    QVERIFY2(absent.isEmpty() || !written.text().contains(absent), qPrintable(written.text()));
}

// Every field changed at once, each read back where it was written.
void TestWriteBack::everyField()
{
    const vcard::Card card = vcard::Card::parse(PhoneCard);
    const Record before = clean(vcard::fields(card));
    // clang-format off
    const Record after = {"Ana Lima", "a@lima.com.br", "Rua B, 2", "Bela Vista", "Santos", "SP",
                          "11.010-000", "(13) 3222-1000", "(13) 99876-5432", "Av. Paulista, 1",
                          "Bela Vista", "São Paulo", "SP", "01.310-200", "(11) 3000-2000",
                          "(11) 98000-1000", "3456"};
    // clang-format on
    const vcard::Card written = vcard::withFields(card, before, after);
    QCOMPARE(clean(vcard::fields(vcard::Card::parse(written.text()))), after);
    for (const char* kept : {"BDAY:", "NOTE:", "PHOTO;", "X-SOCIALPROFILE;",
                             "UID:", "ORG:", "item1.X-ABLabel:", "EMAIL;TYPE=INTERNET;TYPE=WORK:"})
        QVERIFY2(rawLines(written).filter(kept) == rawLines(card).filter(kept), kept);
}

QTEST_GUILESS_MAIN(TestWriteBack)
#include "tst_writeback.moc"
