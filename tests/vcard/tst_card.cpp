#include "card.h"

#include <QTest>

using namespace contact;

// Cards as servers send them back: written out again line for line, and
// compared by what they say.
class TestCard : public QObject {
    Q_OBJECT

private slots:
    void textKeepsLines();
    void cards_data();
    void cards();
    void origins_data();
    void origins();
    void sameContent_data();
    void sameContent();
};

namespace {
QString crlf(const QStringList& lines)
{
    return lines.join("\r\n") + "\r\n";
}

// The content lines of a card's text, unfolded.
QStringList unfolded(const QString& text)
{
    QStringList lines;
    const vcard::Card card = vcard::Card::parse(text);
    for (const vcard::ContentLine& line : card.lines())
        lines << line.raw;
    return lines;
}
} // namespace

// Written back, each line is as it came, only folded anew: at 75 bytes, never
// inside a character, a quoted-printable line never ending in '='.
void TestCard::textKeepsLines()
{
    const QString note = "NOTE:" + QString("Conceição 👩‍💻 ").repeated(12);
    const QString qp = "X-OBS;ENCODING=QUOTED-PRINTABLE:" + QString("=C3=A9").repeated(30);
    const QString given = "BEGIN:VCARD\nVERSION:3.0\nFN:Ana\n" + note.left(30) + "\n " +
                          note.mid(30) + "\n" + qp + "\nitem1.TEL;type=cell:+55 11 98765-4321\n" +
                          "END:VCARD\n";
    const QString text = vcard::Card::parse(given).text();
    for (const QString& line : text.split("\r\n")) {
        QVERIFY2(line.toUtf8().size() <= 75, qPrintable(line));
        QVERIFY2(!line.endsWith('='), qPrintable(line));
    }
    QVERIFY(text.endsWith("END:VCARD\r\n"));
    QCOMPARE(unfolded(text), unfolded(given));
    QCOMPARE(unfolded(text).at(2), note.trimmed() + ' ');
    QCOMPARE(vcard::Card::parse(text).lines().at(3).property.value, QString("é").repeated(30));
    QCOMPARE(vcard::Card::parse(text).text(), text); // what we write comes back as it is
}

void TestCard::cards_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("uid");
    QTest::newRow("4.0") << "BEGIN:VCARD\nVERSION:4.0\nUID:urn:uuid:12\\,3\nFN:A\nEND:VCARD\n"
                         << 1 << 4 << "urn:uuid:12,3";
    QTest::newRow("byte order mark") << "\uFEFFBEGIN:VCARD\nUID:b\nEND:VCARD\n" << 1 << 3 << "b";
    QTest::newRow("2.1 written as 3.0")
        << "begin:vcard\nversion:2.1\nFN:A\nend:vcard" << 1 << 3 << "";
    QTest::newRow("two cards, a third cut short")
        << "BEGIN:VCARD\nUID:a\nEND:VCARD\r\nBEGIN:VCARD\nVERSION:3.0\nEND:VCARD\nBEGIN:VCARD\n"
        << 2 << 3 << "a";
}

void TestCard::cards()
{
    QFETCH(QString, text);
    QFETCH(int, count);
    QFETCH(int, version);
    QFETCH(QString, uid);
    const QList<vcard::Card> cards = vcard::Card::parseCards(text);
    QCOMPARE(cards.size(), count);
    const vcard::Card first = vcard::Card::parse(text);
    QCOMPARE(first.isEmpty(), count == 0);
    QCOMPARE(first.version(), version);
    QCOMPARE(first.uid(), uid);
}

void TestCard::origins_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("property"); // index among the card's lines
    QTest::addColumn<int>("component");
    QTest::addColumn<int>("nameFrom");
    const QString card = crlf({"BEGIN:VCARD", "VERSION:3.0", "N:Souza;Ana;;;", "ORG:Padaria",
                               "ADR;TYPE=WORK:;;Rua A;;;01310-100;", "ADR;TYPE=HOME:;Centro;;;;;",
                               "TEL;TYPE=WORK:+55 11 3333-4444 x 21", "X-LISTRANO-RAMAL:21",
                               "EMAIL:a@b.c", "EMAIL;TYPE=PREF:p@b.c", "END:VCARD"});
    using vcard::NameFrom;
    QTest::newRow("name from N") << card << int(Nome) << 1 << -1 << int(NameFrom::StructuredName);
    QTest::newRow("name from ORG") << "BEGIN:VCARD\nN:;;;;\nORG:Padaria;Vendas\nEND:VCARD\n"
                                   << int(Nome) << 1 << -1 << int(NameFrom::Organization);
    QTest::newRow("work postal code") << card << int(CepCom) << 3 << 5 << 2;
    QTest::newRow("empty home street") << card << int(EndRes) << 4 << 2 << 2;
    QTest::newRow("extension from the phone") << card << int(Ramal) << 5 << -1 << 2;
    QTest::newRow("preferred e-mail") << card << int(Email) << 8 << -1 << 2;
}

void TestCard::origins()
{
    QFETCH(QString, text);
    QFETCH(int, field);
    QFETCH(int, property);
    QFETCH(int, component);
    QFETCH(int, nameFrom);
    vcard::Origins origins;
    vcard::fields(vcard::Card::parse(text), &origins);
    QCOMPARE(origins.fields[field].property, property);
    QCOMPARE(origins.fields[field].component, component);
    QCOMPARE(int(origins.name), nameFrom);
}

namespace {
const QStringList Compared = {"BEGIN:VCARD",
                              "VERSION:3.0",
                              "FN:Ana Souza",
                              "item1.TEL;TYPE=CELL,VOICE;PREF=1:+55 11 98765-4321",
                              "item1.X-ABLabel:Casa",
                              "ADR;TYPE=HOME:;;Rua A\\, 1;;SP;;",
                              "END:VCARD"};

// The card compared with line at put in place of its own.
QString comparedWith(int at, const QString& line)
{
    QStringList lines = Compared;
    lines[at] = line;
    return crlf(lines);
}
} // namespace

void TestCard::sameContent_data()
{
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("same");
    QTest::newRow("itself") << crlf(Compared) << true;
    QTest::newRow("reordered") << crlf({Compared.at(0), Compared.at(4), Compared.at(2),
                                        Compared.at(5), Compared.at(1), Compared.at(3),
                                        Compared.at(6)})
                               << true;
    QTest::newRow("re-cased, parameters reordered and split")
        << "begin:vcard\nversion:3.0\nfn:Ana Souza\n"
           "ITEM1.tel;pref=1;type=voice;Type=\"cell\":+55 11 98765-4321\n"
           "item1.x-ablabel:Casa\nadr;type=home:;;Rua A\\, 1;;SP;;\nend:vcard\n"
        << true;
    QTest::newRow("refolded")
        << "BEGIN:VCARD\nVERSION:3.0\nFN:Ana\n  Souza\nitem1.TEL;TYPE=CELL,VO\n"
           " ICE;PREF=1:+55 11 98765-4321\nitem1.X-ABLabel:Casa\n"
           "ADR;TYPE=HOME:;;Rua A\\, 1;;SP;;\nEND:VCARD\n"
        << true;
    QTest::newRow("another value")
        << comparedWith(3, "item1.TEL;TYPE=CELL,VOICE;PREF=1:+55 11 98765-4320") << false;
    QTest::newRow("value's case") << comparedWith(2, "FN:ana souza") << false;
    QTest::newRow("a type less") << comparedWith(3, "item1.TEL;TYPE=CELL;PREF=1:+55 11 98765-4321")
                                 << false;
    QTest::newRow("another group")
        << comparedWith(3, "item2.TEL;TYPE=CELL,VOICE;PREF=1:+55 11 98765-4321") << false;
    QTest::newRow("component moved")
        << comparedWith(5, "ADR;TYPE=HOME:;;Rua A\\, 1;SP;;;") << false;
    QTest::newRow("a property more") << comparedWith(6, "NOTE:x\r\nEND:VCARD") << false;
}

void TestCard::sameContent()
{
    QFETCH(QString, other);
    QFETCH(bool, same);
    const vcard::Card a = vcard::Card::parse(crlf(Compared));
    const vcard::Card b = vcard::Card::parse(other);
    QCOMPARE(vcard::sameContent(a, b), same);
    QCOMPARE(vcard::sameContent(b, a), same);
}

QTEST_GUILESS_MAIN(TestCard)
#include "tst_card.moc"
