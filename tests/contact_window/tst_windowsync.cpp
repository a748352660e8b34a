#include "carddavclient.h"
#include "cardfields.h"
#include "database.h"
#include "fakekeyring.h"
#include "fieldmerge.h"
#include "frminfo.h"
#include "frmquelmar.h"
#include "messagebox.h"
#include "radicaleserver.h"
#include "syncrunner.h"
#include "testdb.h"
#include "windowtest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

using syncengine::Summary;

// The contact window open on a book kept in step with a real server: what a
// background sync changes on screen, what it leaves alone, what it says and
// when.
class TestWindowSync : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void serverChangeShown_data();
    void serverChangeShown();
    void editMerged_data();
    void editMerged();
    void changeSent_data();
    void changeSent();
    void noticeWaitsForRest_data();
    void noticeWaitsForRest();
    void massDeletion_data();
    void massDeletion();

private:
    void open(const SyncRunner::Timing& timing, int contacts = 2);
    Summary sync();
    void showContact(const QString& name);
    QLineEdit* field(contact::Field f) const
    {
        return m_window->findChild<QLineEdit*>(contact::controlName(f));
    }
    void click(const char* button) { m_window->findChild<QAbstractButton*>(button)->click(); }
    // The card named name on the server: its href, ETag and values.
    std::optional<carddav::Fetched> card(const QString& name);
    void serverEdit(const QString& name, contact::Field f, const QString& value);
    void serverDelete(const QString& name);

    QTemporaryDir m_config;
    std::unique_ptr<RadicaleServer> m_server;
    std::unique_ptr<FakeKeyring> m_keyring;
    std::unique_ptr<carddav::Client> m_phone;
    QUrl m_bookUrl;
    frmQuelmar* m_window = nullptr;
};

namespace {
// Nothing but what a test asks for.
const SyncRunner::Timing Asked{3600000, 3600000, 3600000, 30000};

QString name(int i)
{
    return i == 0 ? QStringLiteral("Ana Souza") : QStringLiteral("Contato %1").arg(i);
}
} // namespace

void TestWindowSync::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
}

void TestWindowSync::init()
{
    m_server = std::make_unique<RadicaleServer>();
    QVERIFY2(m_server->start(), qPrintable(m_server->errorText()));
    m_bookUrl = m_server->createAddressBook("contatos", "Contatos");
    QVERIFY(m_bookUrl.isValid());
    m_phone = std::make_unique<carddav::Client>(
        carddav::Account{m_bookUrl, m_server->user(), m_server->password(), {}});
    m_keyring = std::make_unique<FakeKeyring>();
    m_keyring->kept.insert(keyring::key(m_server->url().toString(), m_server->user()),
                           m_server->password());
}

void TestWindowSync::cleanup()
{
    windowtest::close(m_window);
    m_keyring.reset();
    m_phone.reset();
    m_server.reset();
}

// The window on a book of contacts linked to the server, synced once.
void TestWindowSync::open(const SyncRunner::Timing& timing, int contacts)
{
    SyncRunner::setTiming(timing);
    QList<QStringList> rows;
    for (int i = 0; i < contacts; ++i)
        rows << QStringList{name(i), QStringLiteral("c%1@exemplo.com.br").arg(i), "Rua A"};
    m_window = windowtest::open(rows);
    QVERIFY(m_window);
    {
        database::Connection c(windowtest::databasePath(), "setup");
        syncstate::Account account;
        account.serverUrl = m_server->url().toString();
        account.user = m_server->user();
        account.bookUrl = m_bookUrl.toString();
        account.bookName = "Contatos";
        QVERIFY(!syncstate::setUp(c.db(), account));
    }
    const Summary first = sync();
    QVERIFY2(first.outcome == Summary::Done, qPrintable(first.error));
    QCOMPARE(first.sent, qint64(contacts));
    m_window->findChild<QComboBox*>("cboNome")->addItems(
        testdb::storedNames(windowtest::databasePath()));
}

Summary TestWindowSync::sync()
{
    SyncRunner* runner = m_window->syncRunner();
    std::optional<Summary> got;
    const auto c = connect(runner, &SyncRunner::finished, [&](const Summary& s) {
        if (!got) // not one its answer started
            got = s;
    });
    runner->syncNow();
    const bool ended = QTest::qWaitFor([&] { return got && !runner->busy(); }, 60000);
    disconnect(c);
    if (!ended) {
        got = Summary();
        got->outcome = Summary::Failed;
        got->error = "no sync ended";
    }
    return *got;
}

// What the lookup does once a name is found, the focus then on Incluir.
void TestWindowSync::showContact(const QString& name)
{
    QVERIFY(!m_window->dataControl().Refresh());
    TableRecordset* rs = m_window->dataControl().Recordset();
    QVERIFY(!rs->setIndex(contact::NameIndex));
    QVERIFY(!rs->Seek("=", name));
    QVERIFY(!m_window->Mostrar());
    m_window->findChild<QWidget*>("cmdNovo")->setFocus();
}

std::optional<carddav::Fetched> TestWindowSync::card(const QString& name)
{
    QStringList hrefs;
    for (const carddav::Entry& e : m_phone->listing(m_bookUrl).value)
        hrefs << e.href;
    for (const carddav::Fetched& f : m_phone->fetch(m_bookUrl, hrefs).value) {
        if (cardfields::valuesOf(QString::fromUtf8(f.card))[contact::Nome] == name)
            return f;
    }
    return std::nullopt;
}

void TestWindowSync::serverEdit(const QString& name, contact::Field f, const QString& value)
{
    const std::optional<carddav::Fetched> now = card(name);
    QVERIFY(now);
    const QString text = QString::fromUtf8(now->card);
    contact::Record values = cardfields::valuesOf(text);
    const contact::Record before = values;
    values[f] = value;
    QVERIFY(m_phone->put(now->href, cardfields::rewritten(text, before, values).toUtf8(), now->etag)
                .ok());
}

void TestWindowSync::serverDelete(const QString& name)
{
    const std::optional<carddav::Fetched> now = card(name);
    QVERIFY(now);
    QVERIFY(m_phone->remove(now->href, now->etag).ok());
}

void TestWindowSync::serverChangeShown_data()
{
    QTest::addColumn<bool>("deleted");
    QTest::newRow("changed") << false;
    QTest::newRow("deleted") << true;
}

// The contact on show, the window at rest, follows what the server did.
void TestWindowSync::serverChangeShown()
{
    QFETCH(bool, deleted);
    open(Asked);
    showContact("Ana Souza");
    if (deleted)
        serverDelete("Ana Souza");
    else
        serverEdit("Ana Souza", contact::Email, "ana@servidor.com.br");
    const Summary synced = sync();
    QCOMPARE(synced.received + synced.deleted, qint64(1));
    QTRY_COMPARE(field(contact::Email)->text(), deleted ? "" : "ana@servidor.com.br");
    QCOMPARE(field(contact::Nome)->text(), deleted ? "" : "Ana Souza");
    QCOMPARE(m_window->findChild<QComboBox*>("cboNome")->findText("Ana Souza") < 0, deleted);
    QVERIFY(!field(contact::Nome)->isEnabled());
    QVERIFY(MessageBox::shown().isEmpty());

    // The information window adds the last sync under its own text.
    click("cmdInfo");
    const QStringList lines = frmInfo::instance()->rchInfo()->toPlainText().split('\n');
    QCOMPARE(lines.size(), frmInfo::infoText().split('\r').size() + 1);
    QVERIFY2(lines.constLast().startsWith("Última sincronização: hoje às "),
             qPrintable(lines.constLast()));
    delete frmInfo::instance();
}

void TestWindowSync::editMerged_data()
{
    QTest::addColumn<int>("serverField");
    QTest::addColumn<int>("typedField");
    QTest::newRow("other fields") << int(contact::Email) << int(contact::EndRes);
    QTest::newRow("the same field") << int(contact::Email) << int(contact::Email);
}

// A contact being modified stays as typed through a sync that changed its row;
// Salvar merges both and says so once.
void TestWindowSync::editMerged()
{
    QFETCH(int, serverField);
    QFETCH(int, typedField);
    const bool conflict = serverField == typedField;
    open(Asked);
    showContact("Ana Souza");
    click("cmdEditar");
    field(contact::Field(typedField))->setText("digitado");
    serverEdit("Ana Souza", contact::Field(serverField), "servidor");
    QCOMPARE(sync().received, qint64(1));
    QCOMPARE(field(contact::Field(typedField))->text(), "digitado");
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(field(contact::Nome)));

    click("cmdSalvar");
    QCOMPARE(MessageBox::shown().size(), 1);
    const QString copy = fieldmerge::conflictName("Ana Souza", QDate::currentDate());
    QCOMPARE(MessageBox::shown().at(0).text,
             "O contato foi alterado pela sincronização enquanto você o modificava. As duas "
             "versões foram combinadas" +
                 (conflict ? "; a versão do servidor ficou em \"" + copy + "\"." : "."));
    QVERIFY(field(contact::Nome)->text().isEmpty());
    QStringList ana = testdb::storedContacts(windowtest::databasePath()).at(0);
    const int place = contact::Fields[typedField].place - 1;
    QCOMPARE(ana.at(place), "digitado");
    QCOMPARE(ana.at(contact::Fields[serverField].place - 1), conflict ? "digitado" : "servidor");
    const QStringList names = testdb::storedNames(windowtest::databasePath());
    QCOMPARE(names.contains(copy), conflict);
    if (conflict)
        QCOMPARE(
            testdb::storedContacts(windowtest::databasePath()).at(names.indexOf(copy)).at(place),
            "servidor");
}

void TestWindowSync::changeSent_data()
{
    QTest::addColumn<bool>("closing");
    QTest::newRow("a few seconds after Salvar") << false;
    QTest::newRow("closing the window") << true;
}

// A contact saved in the window reaches the server: soon after, or before the
// window goes.
void TestWindowSync::changeSent()
{
    QFETCH(bool, closing);
    SyncRunner::Timing timing = Asked;
    if (!closing)
        timing.afterChangeMs = 200;
    open(timing);
    showContact("Ana Souza");
    click("cmdEditar");
    field(contact::Email)->setText("ana@nova.com.br");
    click("cmdSalvar");
    if (closing) {
        QVERIFY(m_window->close());
        QCOMPARE(MessageBox::shown().size(), 1); // the closing question alone
        QVERIFY(!m_window->syncRunner()->busy());
    }
    QTRY_VERIFY_WITH_TIMEOUT(card("Ana Souza") &&
                                 cardfields::valuesOf(QString::fromUtf8(
                                     card("Ana Souza")->card))[contact::Email] == "ana@nova.com.br",
                             30000);
}

void TestWindowSync::noticeWaitsForRest_data()
{
    QTest::addColumn<QString>("state");
    QTest::newRow("modifying") << "modifying";
    QTest::newRow("looking up") << "looking up";
}

// A failed sync is told only once no field holds the focus, never taking it
// from one.
void TestWindowSync::noticeWaitsForRest()
{
    QFETCH(QString, state);
    open(Asked);
    showContact("Ana Souza");
    QWidget* focused = nullptr;
    if (state == "modifying") {
        click("cmdEditar");
        focused = field(contact::Nome);
    } else {
        click("cmdConsultar");
        focused = m_window->findChild<QComboBox*>("cboNome");
    }
    QTRY_VERIFY(focused->hasFocus() || focused->isAncestorOf(QApplication::focusWidget()));
    m_server->stop();
    QCOMPARE(sync().outcome, Summary::Failed);
    QVERIFY(MessageBox::shown().isEmpty());
    QVERIFY(focused->hasFocus() || focused->isAncestorOf(QApplication::focusWidget()));

    if (state == "modifying")
        click("cmdSalvar");
    else
        QTest::keyClick(focused, Qt::Key_Escape);
    QTRY_COMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().at(0).title, ProgramTitle);
    QVERIFY2(MessageBox::shown().at(0).text.endsWith("o que faltou vai na próxima."),
             qPrintable(MessageBox::shown().at(0).text));
}

void TestWindowSync::massDeletion_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("Excluir mesmo assim") << int(MessageBox::Yes);
    QTest::newRow("Não excluir") << int(MessageBox::No);
}

// Every card deleted on the server: the sync stops and asks, and deletes only
// when told to.
void TestWindowSync::massDeletion()
{
    QFETCH(int, answer);
    const int contacts = 12;
    open(Asked, contacts);
    for (const carddav::Entry& e : m_phone->listing(m_bookUrl).value)
        QVERIFY(m_phone->remove(e.href, e.etag).ok());
    MessageBox::setNextAnswer(MessageBox::Answer(answer));
    QCOMPARE(sync().outcome, Summary::StoppedBeforeDeleting);
    QTRY_COMPARE(MessageBox::shown().size(), 1);
    const MessageBox::Shown asked = MessageBox::shown().at(0);
    QVERIFY2(asked.text.startsWith("A sincronização parou antes de excluir 12 contatos"),
             qPrintable(asked.text));
    QCOMPARE(asked.buttonTexts, QStringList({"Excluir mesmo assim", "Não excluir"}));
    QCOMPARE(asked.buttons, MessageBox::YesNoDefaultNo);
    QCOMPARE(asked.title, ProgramTitle);
    if (answer == MessageBox::Yes)
        QTRY_VERIFY_WITH_TIMEOUT(testdb::storedNames(windowtest::databasePath()).isEmpty(), 30000);
    QTRY_VERIFY(!m_window->syncRunner()->busy());
    QCOMPARE(testdb::storedNames(windowtest::databasePath()).size(),
             answer == MessageBox::Yes ? 0 : contacts);
}

QTEST_MAIN(TestWindowSync)
#include "tst_windowsync.moc"
