#include "card.h"
#include "carddavclient.h"
#include "cardfields.h"
#include "database.h"
#include "engine.h"
#include "radicaleserver.h"
#include "syncstate.h"
#include "testdb.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Syncs of a book with a real server, and a phone writing to the same address
// book with properties the book has no field for.
class TestSyncEngine : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstSyncPairsAndCopies();
    void rowIdsNameNoContact_data();
    void rowIdsNameNoContact();
    void bothSidesChange_data();
    void bothSidesChange();
    void massDeletionStops();

private:
    syncengine::Summary sync(bool confirm = false,
                             const std::function<void(qint64, qint64)>& progress = {});
    QString phoneCard(const QString& uid, const QString& name, const QString& email) const;
    void phonePut(const QString& uid, const QString& card);
    QHash<QString, QString> serverCards(); // name -> card
    QStringList bookNames() const;

    std::unique_ptr<RadicaleServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_book;
    QUrl m_bookUrl;
    std::unique_ptr<carddav::Client> m_phone;
};

namespace {
const QString Extras =
    QStringLiteral("BDAY:1980-01-02\r\nNOTE:Amigo da faculdade\r\nitem1.TEL:+55 11 3333-4444\r\n"
                   "item1.X-ABLabel:Escritório\r\nEMAIL;TYPE=INTERNET:segundo@exemplo.com.br\r\n"
                   "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAA=\r\n");

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// The properties a phone wrote that the book has no field for.
vcard::Card extrasOf(const QString& text)
{
    QStringList kept;
    const vcard::Card card = vcard::Card::parse(text);
    for (const vcard::ContentLine& line : card.lines()) {
        const QString& name = line.property.name;
        if (name == u"BDAY" || name == u"NOTE" || name == u"PHOTO" ||
            !line.property.group.isEmpty())
            kept << line.raw;
    }
    return vcard::Card::fromLines(kept);
}
} // namespace

void TestSyncEngine::init()
{
    m_server = std::make_unique<RadicaleServer>();
    QVERIFY2(m_server->start(), qPrintable(m_server->errorText()));
    m_bookUrl = m_server->createAddressBook(QStringLiteral("contatos"), QStringLiteral("Contatos"));
    QVERIFY(m_bookUrl.isValid());
    m_dir = std::make_unique<QTemporaryDir>();
    m_book = m_dir->filePath(QStringLiteral("Quelmar.mdb"));
    testdb::createEmpty(m_book);
    database::Connection c(m_book, QStringLiteral("setup"));
    syncstate::Account account;
    account.serverUrl = m_server->url().toString();
    account.user = m_server->user();
    account.bookUrl = m_bookUrl.toString();
    account.bookName = QStringLiteral("Contatos");
    QVERIFY(!syncstate::setUp(c.db(), account));
    m_phone = std::make_unique<carddav::Client>(
        carddav::Account{m_bookUrl, m_server->user(), m_server->password(), {}});
}

void TestSyncEngine::cleanup()
{
    m_phone.reset();
    m_server.reset();
}

syncengine::Summary TestSyncEngine::sync(bool confirm,
                                         const std::function<void(qint64, qint64)>& progress)
{
    carddav::Client client({m_bookUrl, m_server->user(), m_server->password(), {}});
    syncengine::SyncOptions options;
    options.confirmDeletions = confirm;
    options.today = QDate(2026, 12, 8);
    options.progress = progress;
    options.lockWaitMs = 1000; // no other sync runs here
    return syncengine::synchronise(m_book, client, options);
}

QString TestSyncEngine::phoneCard(const QString& uid, const QString& name,
                                  const QString& email) const
{
    return QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%1\r\nFN:%2\r\n"
                          "EMAIL;TYPE=INTERNET:%3\r\n%4END:VCARD\r\n")
        .arg(uid, name, email, Extras);
}

void TestSyncEngine::phonePut(const QString& uid, const QString& card)
{
    const QString href = m_phone->hrefFor(m_bookUrl, uid);
    const carddav::Result<QList<carddav::Fetched>> now = m_phone->fetch(m_bookUrl, {href});
    QVERIFY(now.ok());
    const QByteArray etag = now.value.isEmpty() ? QByteArray() : now.value.constFirst().etag;
    const carddav::Result<QByteArray> put = m_phone->put(href, card.toUtf8(), etag);
    QVERIFY2(put.ok(), qPrintable(put.error.message));
}

QHash<QString, QString> TestSyncEngine::serverCards()
{
    QHash<QString, QString> cards;
    const carddav::Result<QList<carddav::Entry>> listing = m_phone->listing(m_bookUrl);
    QStringList hrefs;
    for (const carddav::Entry& e : listing.value)
        hrefs << e.href;
    const carddav::Result<QList<carddav::Fetched>> fetched = m_phone->fetch(m_bookUrl, hrefs);
    for (const carddav::Fetched& f : fetched.value) {
        const QString text = QString::fromUtf8(f.card);
        const QString name = cardfields::valuesOf(text)[contact::Nome];
        if (cards.contains(name))
            qWarning("two cards named %s", qPrintable(name));
        cards.insert(name, text);
    }
    return cards;
}

QStringList TestSyncEngine::bookNames() const
{
    return sorted(testdb::storedNames(m_book));
}

void TestSyncEngine::firstSyncPairsAndCopies()
{
    testdb::insertContact(m_book, {"Ana Souza", "ana@exemplo.com.br"});
    testdb::insertContact(m_book, {"Bia Lima", "bia@exemplo.com.br"});
    phonePut(QStringLiteral("ana"), QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:ana\r\n"
                                                   "FN:Ana Souza\r\nEMAIL:ana@exemplo.com.br\r\n"
                                                   "END:VCARD\r\n"));
    phonePut(QStringLiteral("caio"), phoneCard(QStringLiteral("caio"), QStringLiteral("Caio Prado"),
                                               QStringLiteral("caio@exemplo.com.br")));
    syncengine::Summary s = sync();
    QVERIFY2(s.outcome == syncengine::Summary::Done, qPrintable(s.error));
    QCOMPARE(s.alreadyEqual, 1);
    QCOMPARE(s.received, 1);
    QCOMPARE(s.sent, 1);
    QVERIFY(QFile::exists(syncengine::backupName(m_book, QDate(2026, 12, 8))));
    QCOMPARE(bookNames(), QStringList({"Ana Souza", "Bia Lima", "Caio Prado"}));
    QCOMPARE(sorted(serverCards().keys()), bookNames());
    // The phone's card, read into the book, is sent back as it was.
    const auto caio = testdb::query(
        m_book, "SELECT Email, FoneComercial FROM tblQuelmar WHERE Nome = 'Caio Prado'");
    QCOMPARE(caio.value(0).value(0).toString(), QStringLiteral("caio@exemplo.com.br"));
    QCOMPARE(caio.value(0).value(1).toString(), QStringLiteral("(11) 3333-4444"));

    s = sync();
    QCOMPARE(s.received + s.sent + s.deleted + s.conflicts + s.alreadyEqual, 0);
}

void TestSyncEngine::rowIdsNameNoContact_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QStringList>("names"); // on both sides after the sync
    QTest::newRow("last deleted, new added")
        << "reuse" << QStringList({"Ana Souza", "Bia Lima", "Davi Reis"});
    QTest::newRow("dumped and reloaded")
        << "dump" << QStringList({"Ana Souza", "Bia Lima", "Caio Prado"});
    QTest::newRow("backup put back")
        << "backup" << QStringList({"Ana Souza", "Bia Lima", "Caio Prado"});
    QTest::newRow("sync token the server forgot")
        << "token" << QStringList({"Ana Souza", "Bia Lima", "Caio Prado"});
    QTest::newRow("sync cut, changed again")
        << "cut" << QStringList({"Ana Souza", "Bia Lima", "Caio Prado", "Davi Reis"});
    QTest::newRow("sync killed taking its lock")
        << "lock" << QStringList({"Ana Souza", "Bia Lima", "Caio Prado"});
}

void TestSyncEngine::rowIdsNameNoContact()
{
    QFETCH(QString, what);
    QFETCH(QStringList, names);
    // Row ids 2, 3, 4: a reload numbers them from 1.
    for (const char* name : {"Zeca", "Ana Souza", "Bia Lima", "Caio Prado"})
        testdb::insertContact(m_book, {name});
    testdb::query(m_book, "DELETE FROM tblQuelmar WHERE Nome = 'Zeca'");
    QCOMPARE(sync().outcome, syncengine::Summary::Done);
    const QString backup = m_dir->filePath(QStringLiteral("copia.mdb"));
    QString uid;
    if (what == "backup") {
        QProcess::execute(QStringLiteral("sqlite3"), {m_book, ".backup " + backup});
        testdb::query(m_book, "UPDATE tblQuelmar SET Email = 'bia@x' WHERE Nome = 'Bia Lima'");
        QCOMPARE(sync().sent, 1);
        QFile::remove(m_book);
        QFile::copy(backup, m_book);
    } else if (what == "token") {
        testdb::query(m_book, "UPDATE lstSyncAccount SET syncToken = ?",
                      {"http://radicale.org/ns/sync/" + QString(64, '0')});
    } else if (what == "cut") {
        // Bia's change sent, the server gone before Davi is: Bia changed again
        // is the same contact.
        testdb::query(m_book, "UPDATE tblQuelmar SET Email = 'bia@x' WHERE Nome = 'Bia Lima'");
        testdb::query(m_book, "INSERT INTO tblQuelmar (Nome) VALUES ('Davi Reis')");
        const syncengine::Summary cut = sync(false, [this](qint64 done, qint64) {
            if (done == 4)
                m_server->stop();
        });
        QCOMPARE(cut.outcome, syncengine::Summary::Failed);
        testdb::query(m_book, "UPDATE tblQuelmar SET Email = 'bia@y' WHERE Nome = 'Bia Lima'");
        QVERIFY(m_server->start());
        uid = cardfields::uidOf(serverCards().value(QStringLiteral("Bia Lima")));
    } else if (what == "lock") { // the lock file left empty, a while ago
        QFile lock(m_book + QStringLiteral(".sincronizando"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-5),
                                 QFileDevice::FileModificationTime));
    } else if (what == "reuse") {
        testdb::query(m_book, "DELETE FROM tblQuelmar WHERE Nome = 'Caio Prado'");
        testdb::query(m_book, "INSERT INTO tblQuelmar (Nome) VALUES ('Davi Reis')");
    } else {
        QVERIFY(QProcess::execute(QStringLiteral("sh"),
                                  {"-c",
                                   "sqlite3 \"$1\" .dump | sqlite3 \"$1.novo\" && mv "
                                   "\"$1.novo\" \"$1\"",
                                   "sh", m_book}) == 0);
    }
    const syncengine::Summary s = sync();
    QVERIFY2(s.outcome == syncengine::Summary::Done, qPrintable(s.error));
    QCOMPARE(bookNames(), names);
    QCOMPARE(sorted(serverCards().keys()), names);
    QCOMPARE(m_phone->listing(m_bookUrl).value.size(), names.size()); // no card twice
    QCOMPARE(s.deleted, what == "reuse" ? 1 : 0);
    if (what == "cut")
        QCOMPARE(cardfields::uidOf(serverCards().value(QStringLiteral("Bia Lima"))), uid);
    if (what == "backup") // the change made after the copy came back from the server
        QCOMPARE(testdb::query(m_book, "SELECT Email FROM tblQuelmar WHERE Nome = 'Bia Lima'")
                     .value(0)
                     .value(0)
                     .toString(),
                 QStringLiteral("bia@x"));
}

void TestSyncEngine::bothSidesChange_data()
{
    QTest::addColumn<QString>("here"); // SQL on the book after the first sync
    // The phone's new e-mail for Caio; "-": deleted; ">": moved to another address
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("email"); // Caio's e-mail after the sync, on both sides
    QTest::addColumn<QString>("uid");   // the phone's card's, and so its address
    const QString mine =
        QStringLiteral("UPDATE tblQuelmar SET Email = 'meu@x' WHERE Nome = 'Caio Prado'");
    const QString city = QStringLiteral(
        "UPDATE tblQuelmar SET CidadeResidencial = 'Santos' WHERE Nome = 'Caio Prado'");
    const QString gone = QStringLiteral("DELETE FROM tblQuelmar WHERE Nome = 'Caio Prado'");
    const QStringList caio = {"Caio Prado"};
    const QString uid = QStringLiteral("caio");
    QTest::newRow("changed here only") << mine << "" << caio << "meu@x" << uid;
    QTest::newRow("changed there only") << ""
                                        << "dele@x" << caio << "dele@x" << uid;
    QTest::newRow("different fields") << city << "dele@x" << caio << "dele@x" << uid;
    QTest::newRow("same field, same value") << mine << "meu@x" << caio << "meu@x" << uid;
    QTest::newRow("same field, two values")
        << mine << "dele@x" << QStringList({"Caio Prado", "Caio Prado (conflito 08/12/2026)"})
        << "dele@x" << uid;
    QTest::newRow("deleted here, changed there") << gone << "dele@x" << caio << "dele@x" << uid;
    QTest::newRow("changed here, deleted there") << mine << "-" << caio << "meu@x" << uid;
    QTest::newRow("deleted on both sides") << gone << "-" << QStringList() << "" << uid;
    QTest::newRow("moved there") << ""
                                 << ">" << caio << "caio@x" << uid;
    QTest::newRow("moved there, changed here") << mine << ">" << caio << "meu@x" << uid;
    QTest::newRow("address with a space and accents")
        << city << "dele@x" << caio << "dele@x" << QStringLiteral("cartão da ana");
}

void TestSyncEngine::bothSidesChange()
{
    QFETCH(QString, here);
    QFETCH(QString, phone);
    QFETCH(QStringList, names);
    QFETCH(QString, email);
    QFETCH(QString, uid);
    phonePut(uid, phoneCard(uid, QStringLiteral("Caio Prado"), QStringLiteral("caio@x")));
    QCOMPARE(sync().received, 1);
    if (!here.isEmpty())
        testdb::query(m_book, here);
    if (phone == "-" || phone == ">")
        QVERIFY(m_phone->remove(m_phone->hrefFor(m_bookUrl, uid), {}).ok());
    if (phone == ">") // the same card, UID and all, at another address
        QVERIFY(
            m_phone
                ->put(
                    m_phone->hrefFor(m_bookUrl, QStringLiteral("movido")),
                    phoneCard(uid, QStringLiteral("Caio Prado"), QStringLiteral("caio@x")).toUtf8(),
                    {})
                .ok());
    else if (!phone.isEmpty() && phone != "-")
        phonePut(uid, phoneCard(uid, QStringLiteral("Caio Prado"), phone));
    const syncengine::Summary s = sync();
    QVERIFY2(s.outcome == syncengine::Summary::Done, qPrintable(s.error));
    QCOMPARE(s.conflicts, names.size() > 1 ? 1 : 0);
    QCOMPARE(bookNames(), names);
    const QHash<QString, QString> cards = serverCards();
    QCOMPARE(sorted(cards.keys()), names);
    if (names.isEmpty())
        return;
    QCOMPARE(cardfields::valuesOf(cards.value(QStringLiteral("Caio Prado")))[contact::Email],
             email);
    QCOMPARE(testdb::query(m_book, "SELECT Email FROM tblQuelmar WHERE Nome = 'Caio Prado'")
                 .value(0)
                 .value(0)
                 .toString(),
             email);
    // What the phone wrote beyond our fields is still on its card.
    QVERIFY(vcard::sameContent(extrasOf(cards.value(QStringLiteral("Caio Prado"))),
                               extrasOf(phoneCard(uid, {}, {}))));
    // And a second sync finds nothing to do.
    const syncengine::Summary again = sync();
    QCOMPARE(again.received + again.sent + again.deleted + again.conflicts, 0);
}

void TestSyncEngine::massDeletionStops()
{
    for (int i = 0; i < 12; ++i) {
        const QString uid = QStringLiteral("p%1").arg(i);
        phonePut(uid, phoneCard(uid, QStringLiteral("Pessoa %1").arg(i), uid + "@x"));
    }
    QCOMPARE(sync().received, 12);
    for (int i = 0; i < 12; ++i)
        QVERIFY(
            m_phone->remove(m_phone->hrefFor(m_bookUrl, QStringLiteral("p%1").arg(i)), {}).ok());
    syncengine::Summary s = sync();
    QCOMPARE(s.outcome, syncengine::Summary::StoppedBeforeDeleting);
    QCOMPARE(s.wouldDelete, 12);
    QCOMPARE(bookNames().size(), 12);
    s = sync(true);
    QCOMPARE(s.outcome, syncengine::Summary::Done);
    QCOMPARE(s.deleted, 12);
    QVERIFY(bookNames().isEmpty());
}

QTEST_GUILESS_MAIN(TestSyncEngine)
#include "tst_syncengine.moc"
