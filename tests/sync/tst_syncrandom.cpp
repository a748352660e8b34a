#include "card.h"
#include "carddavclient.h"
#include "cardfields.h"
#include "database.h"
#include "engine.h"
#include "import.h"
#include "radicaleserver.h"
#include "syncstate.h"
#include "testdb.h"
#include "usersettings.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// Random steps on two books and a phone sharing one address book: contacts
// added, changed and deleted on each side, syncs run, cut by a server that
// stops, and the program's own sync killed midway. A model keeps every value
// each side wrote and which of the person's earlier events that side knew of
// then: surely (through syncs that ended) and maybe (through cut ones too).
// After final syncs, every value no side overwrote or deleted maybe knowing it
// is in its contact or in a conflict copy of it, and a person deleted by a side
// that surely knew all that was done to it is gone. Seeded: LISTRANO_SEED
// replays the steps (where a kill lands may differ), LISTRANO_STEPS sets how
// many (500).
class TestSyncRandom : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void randomSteps();

private:
    enum Side { A, B, Server }; // the phone writes on the server
    struct Event {              // a value written, or the person deleted
        int person;
        int field;
        QString value;
        QSet<int> sure, maybe; // the person's events its side knew of
    };
    struct Contact {
        contact::Record values; // cleaned
        qint64 row = 0;         // in a book
        QString href, text;     // on the server
        QByteArray etag;
    };

    int pick(int bound) { return int(m_random.bounded(bound)); }
    QString newValue(int field, Side side);
    void note(Side side, int person, int field, QString value);
    void exchange(Side side, bool ended);
    void write(Side side);
    void sync(Side side, int how);
    QList<Contact> contacts(Side side);
    void check();

    RadicaleServer m_server;
    QTemporaryDir m_dir;
    std::unique_ptr<carddav::Client> m_phone;
    QUrl m_bookUrl;
    QString m_books[2];
    QRandomGenerator m_random;
    QList<Event> m_events;
    QHash<int, QList<int>> m_eventsOf;           // person -> events
    QHash<int, QSet<int>> m_sure[3], m_maybe[3]; // person -> events known
    int m_persons = 0, m_serial = 0;
    QStringList m_log;
    int m_syncs = 0, m_cut = 0, m_killed = 0, m_conflicts = 0;
};

namespace {
constexpr int Deleted = -1, Extras = contact::FieldCount; // an event's field besides ours
const QRegularExpression CopyName(QStringLiteral("^(.*) \\(conflito \\d\\d/\\d\\d/\\d{4}\\)$"));
const QRegularExpression Token(QStringLiteral("^R(\\d+)$")); // the person, in RamalComercial
const char* const SideNames[] = {"A", "B", "fone"};
const QList<int> BookFields = {contact::Nome,       contact::Email,  contact::BairroRes,
                               contact::CidadeRes,  contact::CepRes, contact::FoneRes,
                               contact::CelularRes, contact::FoneCom};
const QList<int> PhoneFields = {contact::Nome,       contact::Email,   contact::CidadeRes,
                                contact::CelularRes, contact::FoneCom, Extras};

// The person a contact is, -1 for a conflict copy.
int personOf(const contact::Record& r, bool copies = false)
{
    const QRegularExpressionMatch m = Token.match(r[contact::Ramal]);
    const bool copy = CopyName.match(r[contact::Nome]).hasMatch();
    return m.hasMatch() && copy == copies ? m.captured(1).toInt() : -1;
}

// What the phone writes anew when it changes its extras.
bool isPhoneExtra(const vcard::Property& p)
{
    return p.name == u"NOTE" || p.name == u"BDAY" || p.name == u"PHOTO" ||
           (p.name == u"EMAIL" && vcard::unescaped(p.value).startsWith(u"outro."));
}

// What the phone wrote that the book has no field for; a grouped phone's number
// is ours, its group, parameters and label are not.
QString extrasOf(const QString& text)
{
    QStringList kept;
    const vcard::Card card = vcard::Card::parse(text);
    for (const vcard::ContentLine& line : card.lines()) {
        if (isPhoneExtra(line.property) || line.property.name == u"X-ABLABEL")
            kept << line.raw;
        else if (!line.property.group.isEmpty())
            kept << line.raw.left(line.property.valueStart) + u'x';
    }
    return vcard::Card::fromLines(kept).text();
}

// The card with a field changed where the card holds it, the rest as it was,
// or in a line of the phone's own when it holds none; Extras: all new.
QString phoneSet(const QString& text, int field, const QString& value)
{
    const vcard::Card card = vcard::Card::parse(text);
    QStringList lines;
    for (const vcard::ContentLine& line : card.lines()) {
        if (field != Extras || !isPhoneExtra(line.property))
            lines << line.raw;
    }
    if (field == Extras)
        return vcard::Card::fromLines(lines + value.split(u'\n')).text();
    vcard::Origins from;
    vcard::fields(card, &from);
    const vcard::Origin origin = from.fields[field];
    QString written = vcard::escaped(value);
    if (origin.isNone()) {
        static const QHash<int, QString> added = {
            {contact::Email, "EMAIL;TYPE=INTERNET:%1"},
            {contact::CidadeRes, "ADR;TYPE=HOME:;;;%1;;;"},
            {contact::CelularRes, "TEL;TYPE=CELL:%1"},
            {contact::FoneCom, "item1.TEL:%1\nitem1.X-ABLabel:Escritório"}};
        const QStringList more = added.value(field).arg(written).split(u'\n');
        return vcard::Card::fromLines(lines.mid(0, 1) + more + lines.mid(1)).text();
    }
    const vcard::ContentLine& line = card.lines().at(origin.property);
    if (origin.component >= 0) {
        QStringList parts = vcard::rawComponents(line.property.value);
        while (parts.size() < 7)
            parts << QString();
        parts[origin.component] = written;
        written = parts.join(u';');
    }
    lines[origin.property] = line.raw.left(line.property.valueStart) + written;
    for (QString& l : lines) {
        if (field == contact::Nome && l.startsWith(QStringLiteral("N:")))
            l = QStringLiteral("N:%1;%2;;;").arg(value.section(u' ', 1), value.section(u' ', 0, 0));
    }
    return vcard::Card::fromLines(lines).text();
}
} // namespace

void TestSyncRandom::init()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    m_bookUrl = m_server.createAddressBook(QStringLiteral("contatos"), QStringLiteral("Contatos"));
    QVERIFY(m_bookUrl.isValid());
    syncstate::Account account;
    account.serverUrl = m_server.url().toString();
    account.user = m_server.user();
    account.bookUrl = m_bookUrl.toString();
    account.bookName = QStringLiteral("Contatos");
    for (Side side : {A, B}) {
        m_books[side] = m_dir.filePath(QStringLiteral("%1.mdb").arg(SideNames[side]));
        testdb::createEmpty(m_books[side]);
        database::Connection c(m_books[side], QStringLiteral("setup"));
        QVERIFY(!syncstate::setUp(c.db(), account));
    }
    // Where the program run by the test finds its password command.
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toLocal8Bit());
    QVERIFY(!usersettings::save(account.serverUrl, account.user,
                                {QStringLiteral("echo ") + m_server.password(), {}}));
    m_phone = std::make_unique<carddav::Client>(
        carddav::Account{m_bookUrl, m_server.user(), m_server.password(), {}});
}

void TestSyncRandom::cleanup()
{
    if (QTest::currentTestFailed())
        qWarning("Steps taken (seed %s):\n%s", qgetenv("LISTRANO_SEED").constData(),
                 qPrintable(m_log.join(u'\n')));
    m_phone.reset();
    m_server.stop();
}

// Each value written once: a side writing back an older value would undo its
// own change unseen. Phones in the book's mask forms, on the phone as it writes
// them; the phone's extras a photo, a birthday, a note and a second e-mail.
QString TestSyncRandom::newValue(int field, Side side)
{
    static const QStringList first = {"Ana", "João", "Bia", "Caio", "Conceição", "Davi", "Émile"};
    static const QStringList last = {"Souza", "Lima", "Araújo", "Prado", "Reis", "Simões"};
    const int n = ++m_serial;
    const QString digits = QStringLiteral("%1").arg(n, 8, 10, QChar(u'0'));
    const char* const phone = side == Server ? "+55 %1 " : "(%1) ";
    switch (field) {
    case contact::Nome:
        return QStringLiteral("%1 %2 %3").arg(first.at(pick(7)), last.at(pick(6))).arg(n);
    case contact::Email:
        return QStringLiteral("c%1@exemplo.com.br").arg(n);
    case contact::BairroRes:
        return QStringLiteral("Jardim %1").arg(n);
    case contact::CidadeRes:
        return QStringLiteral("São Vicente %1").arg(n);
    case contact::CepRes:
        return QString(digits).insert(5, u'-').insert(2, u'.'); // "01.310-100"
    case contact::CelularRes:
        return QString::fromLatin1(phone).arg(11) + u'9' + QString(digits).insert(4, u'-');
    case Extras: {
        QByteArray photo = QByteArray::fromHex("ffd8ffe000104a464946");
        for (int i = 40 + pick(400); i > 0; --i)
            photo += char(pick(256));
        return QStringLiteral("PHOTO;ENCODING=b;TYPE=JPEG:%1\nBDAY:19%2-0%3-1%4\nNOTE:Nota %5\\, "
                              "com vírgula\\; e\\nduas linhas\nEMAIL:outro.%5@exemplo.net")
            .arg(QString::fromLatin1(photo.toBase64()))
            .arg(10 + n % 90)
            .arg(1 + n % 9)
            .arg(n % 10)
            .arg(n);
    }
    default: // "(21) 3333-4444"
        return QString::fromLatin1(phone).arg(field == contact::FoneRes ? 21 : 31) + u'3' +
               digits.mid(1).insert(3, u'-');
    }
}

// Our fields' values as the book keeps them, cleaned.
void TestSyncRandom::note(Side side, int person, int field, QString value)
{
    if (field >= 0 && field < Extras) {
        contact::Record r;
        r[contact::Nome] = QStringLiteral("x");
        r[field] = value;
        value = interchange::cleanedContact(r)[field];
    }
    const int id = m_events.size();
    m_events << Event{person, field, value, m_sure[side].value(person),
                      m_maybe[side].value(person)};
    m_eventsOf[person] << id;
    m_sure[side][person].insert(id);
    m_maybe[side][person].insert(id);
}

// A sync that ended leaves the book and the server knowing what either knew;
// one cut short may have.
void TestSyncRandom::exchange(Side side, bool ended)
{
    for (QHash<int, QSet<int>>* known : {m_maybe, ended ? m_sure : m_maybe}) {
        for (auto it = m_eventsOf.constBegin(); it != m_eventsOf.constEnd(); ++it) {
            const QSet<int> both = known[side].value(it.key()) | known[Server].value(it.key());
            known[side][it.key()] = both;
            known[Server][it.key()] = both;
        }
    }
}

// A person added, changed or deleted in a book through its table, or on the
// phone; half the time the one last written to, so that changes on several
// sides between syncs meet.
void TestSyncRandom::write(Side side)
{
    const bool phone = side == Server;
    QList<Contact> mains;
    for (const Contact& c : contacts(side)) {
        if (personOf(c.values) >= 0)
            mains << c;
    }
    const int what = mains.isEmpty() ? 0 : pick(10);
    int at = pick(std::max(1, int(mains.size())));
    for (int i = 0, hot = pick(2); hot && i < mains.size(); ++i) {
        if (personOf(mains.at(i).values) == m_events.constLast().person)
            at = i;
    }
    Contact c = what < 3 ? Contact() : mains.at(at);
    const int person = what < 3 ? m_persons++ : personOf(c.values);
    QList<int> fields = phone ? PhoneFields : BookFields;
    if (what < 3) { // everything on the phone, on a book the name, the e-mail and some more
        m_log << QStringLiteral("%1: adds R%2").arg(SideNames[side]).arg(person);
        c.href = m_phone->hrefFor(m_bookUrl, QStringLiteral("fone-%1").arg(person));
        c.text = QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:fone-%1\r\nFN:\r\n"
                                "X-LISTRANO-RAMAL:R%1\r\nEND:VCARD\r\n")
                     .arg(person);
        for (int i = fields.size() - 1; i > 1 && !phone; --i) {
            if (pick(2))
                fields.removeAt(i);
        }
    } else if (what < 5) {
        m_log << QStringLiteral("%1: deletes R%2").arg(SideNames[side]).arg(person);
        note(side, person, Deleted, {});
        if (phone)
            QVERIFY(m_phone->remove(c.href, c.etag).ok());
        else
            testdb::query(m_books[side], "DELETE FROM tblQuelmar WHERE rowid = ?", {c.row});
        return;
    } else {
        m_log << QStringLiteral("%1: changes R%2:").arg(SideNames[side]).arg(person);
        const QList<int> from = fields;
        fields.clear();
        for (int n = 1 + pick(3); n > 0; --n)
            fields << from.at(pick(from.size()));
    }
    if (what < 3 && !phone) // then filled field by field, as a user would
        c.row = testdb::query(m_books[side],
                              "INSERT INTO tblQuelmar (RamalComercial) VALUES (?) RETURNING rowid",
                              {QStringLiteral("R%1").arg(person)})
                    .value(0)
                    .value(0)
                    .toLongLong();
    const QString extras = extrasOf(c.text);
    for (int f : fields) {
        const QString value = newValue(f, side);
        if (phone)
            c.text = phoneSet(c.text, f, value);
        else
            testdb::query(m_books[side],
                          QStringLiteral("UPDATE tblQuelmar SET %1 = ? WHERE rowid = ?")
                              .arg(contact::column(contact::Field(f))),
                          {value, c.row});
        if (f != Extras)
            note(side, person, f, value);
        m_log.last() += u' ' + (f == Extras ? QStringLiteral("extras") : value);
    }
    if (phone) { // extras changed, or a grouped phone (and its label) added
        if (extrasOf(c.text) != extras)
            note(side, person, Extras, extrasOf(c.text));
        const carddav::Result<QByteArray> put = m_phone->put(c.href, c.text.toUtf8(), c.etag);
        QVERIFY2(put.ok(), qPrintable(put.error.message));
    }
}

// A sync of a book: how 0 in the test, 1 with the server gone (it fails and
// changes nothing), 2 with the server stopped midway, 3 the program's own,
// killed (SIGKILL) after a few milliseconds.
void TestSyncRandom::sync(Side side, int how)
{
    ++m_syncs;
    if (how == 3) {
        QProcess program;
        program.start(QStringLiteral(LISTRANO_PROGRAM),
                      {"--database", m_books[side], "--sync", "--confirm-deletions"});
        QVERIFY(program.waitForStarted());
        const int after = 10 + pick(70); // starting takes some 20 ms
        if (!program.waitForFinished(after)) {
            program.kill();
            program.waitForFinished();
        }
        const bool done = program.exitStatus() == QProcess::NormalExit;
        QVERIFY2(!done || program.exitCode() == 0, program.readAllStandardError().constData());
        m_killed += done ? 0 : 1;
        exchange(side, done);
        m_log << QStringLiteral("%1: program's sync %2 after %3 ms")
                     .arg(SideNames[side], done ? "ended" : "killed")
                     .arg(after);
        return;
    }
    const QList<QStringList> before =
        how == 1 ? testdb::storedContacts(m_books[side]) : QList<QStringList>();
    bool stopped = how == 1;
    if (stopped)
        m_server.stop();
    const qint64 stopAt = pick(8);
    carddav::Client client({m_bookUrl, m_server.user(), m_server.password(), {}});
    syncengine::SyncOptions options;
    options.confirmDeletions = true;
    options.today = QDate(2026, 12, 8);
    options.progress = [&](qint64 done, qint64) {
        if (how == 2 && done >= stopAt && !stopped) {
            m_server.stop();
            stopped = true;
        }
    };
    const syncengine::Summary s = syncengine::synchronise(m_books[side], client, options);
    const bool done = s.outcome == syncengine::Summary::Done;
    m_log << QStringLiteral("%1: sync%2: %3").arg(SideNames[side], done ? "" : " cut", s.text());
    if (stopped)
        QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    QVERIFY2(done || (stopped && s.outcome == syncengine::Summary::Failed), qPrintable(s.error));
    QVERIFY(how != 1 || (!done && testdb::storedContacts(m_books[side]) == before));
    m_cut += done ? 0 : 1;
    m_conflicts += int(s.conflicts);
    exchange(side, done);
}

QList<TestSyncRandom::Contact> TestSyncRandom::contacts(Side side)
{
    QList<Contact> all;
    if (side == Server) {
        const auto listing = m_phone->listing(m_bookUrl);
        QStringList hrefs;
        for (const carddav::Entry& e : listing.value)
            hrefs << e.href;
        const auto got = m_phone->fetch(m_bookUrl, hrefs);
        if (!listing.ok() || !got.ok())
            QTest::qFail(qPrintable(listing.error.message + got.error.message), __FILE__, __LINE__);
        for (const carddav::Fetched& f : got.value) {
            const QString text = QString::fromUtf8(f.card);
            all << Contact{cardfields::valuesOf(text), 0, f.href, text, f.etag};
        }
        return all;
    }
    QStringList columns;
    for (int f = 0; f < contact::FieldCount; ++f)
        columns << contact::column(contact::Field(f));
    for (const QVariantList& row : testdb::query(
             m_books[side],
             QStringLiteral("SELECT rowid, %1 FROM tblQuelmar").arg(columns.join(u',')))) {
        contact::Record r;
        for (int f = 0; f < contact::FieldCount; ++f)
            r[f] = row.value(f + 1).toString();
        all << Contact{interchange::cleanedContact(r), row.value(0).toLongLong(), {}, {}, {}};
    }
    return all;
}

void TestSyncRandom::check()
{
    QStringList held[3];
    QHash<int, Contact> mains;
    QMultiHash<int, contact::Record> copies; // names without their suffix
    for (Side side : {Server, A, B}) {
        for (const Contact& c : contacts(side)) {
            held[side] << syncstate::toJson(c.values);
            const int person = personOf(c.values), copyOf = personOf(c.values, true);
            QVERIFY2(person >= 0 || copyOf >= 0, qPrintable(held[side].constLast()));
            if (side != Server)
                continue;
            QVERIFY2(!mains.contains(person), qPrintable(c.text)); // each person once
            if (person >= 0)
                mains.insert(person, c);
            else
                copies.insert(copyOf, c.values);
        }
        held[side].sort();
    }
    QCOMPARE(held[A], held[Server]);
    QCOMPARE(held[B], held[Server]);
    int values = 0, gone = 0;
    for (auto it = m_eventsOf.constBegin(); it != m_eventsOf.constEnd(); ++it) {
        const QString name = QStringLiteral("R%1").arg(it.key());
        const Contact* main = mains.contains(it.key()) ? &mains[it.key()] : nullptr;
        for (int id : it.value()) {
            const Event& e = m_events.at(id);
            bool knewAll = e.field == Deleted; // deleted by a side that surely knew the rest
            for (int other : it.value())
                knewAll =
                    knewAll && (m_events.at(other).field == Deleted || e.sure.contains(other));
            QVERIFY2(!knewAll || !main, qPrintable(name + " came back"));
            gone += knewAll ? 1 : 0;
            bool live = e.field != Deleted; // no side overwrote or deleted it maybe knowing it
            for (int later : it.value()) {
                const Event& l = m_events.at(later);
                live =
                    live && !((l.field == e.field || l.field == Deleted) && l.maybe.contains(id));
            }
            if (!live)
                continue;
            ++values;
            bool found = main && (e.field == Extras
                                      ? vcard::sameContent(vcard::Card::parse(extrasOf(main->text)),
                                                           vcard::Card::parse(e.value))
                                      : main->values[e.field] == e.value);
            for (contact::Record copy : copies.values(it.key())) {
                copy[contact::Nome] = CopyName.match(copy[contact::Nome]).captured(1);
                found = found || (e.field != Extras && copy[e.field] == e.value);
            }
            QVERIFY2(found,
                     qPrintable(name + " lost " + e.value + (main ? " in " + main->text : "")));
        }
    }
    qInfo("%d values and %d deletions checked", values, gone);
}

void TestSyncRandom::randomSteps()
{
    bool given = false;
    const quint32 seed = quint32(qEnvironmentVariableIntValue("LISTRANO_SEED", &given));
    const quint32 used = given ? seed : 20261208u;
    qputenv("LISTRANO_SEED", QByteArray::number(used));
    m_random.seed(used);
    const int steps = qEnvironmentVariableIsSet("LISTRANO_STEPS")
                          ? qEnvironmentVariableIntValue("LISTRANO_STEPS")
                          : 500;
    qInfo("seed %u, %d steps", used, steps);
    for (int i = 0; i < steps && !QTest::currentTestFailed(); ++i) {
        const int what = pick(20);
        const Side side = Side(pick(2));
        if (what < 11)
            write(what < 4 ? Server : side);
        else
            sync(side, what < 16 ? 0 : std::min(3, what - 15));
    }
    for (Side side : {A, B, A}) { // none cut
        if (!QTest::currentTestFailed())
            sync(side, 0);
    }
    if (!QTest::currentTestFailed())
        check();
    qInfo("%d steps, %d syncs, %d cut, %d killed, %d conflicts, %d contacts at the end", steps,
          m_syncs, m_cut, m_killed, m_conflicts, int(contacts(A).size()));
}

QTEST_GUILESS_MAIN(TestSyncRandom)
#include "tst_syncrandom.moc"
