#include "carddavclient.h"
#include "fakekeyring.h"
#include "httpstub.h"
#include "messagebox.h"
#include "radicaleserver.h"
#include "syncdialog.h"
#include "syncpassword.h"
#include "syncsetup.h"
#include "testdb.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

// The synchronisation dialog against a real server: what the user types and
// clicks, what the book, the keyring and the dialog then hold.
class TestSyncDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void setUpSyncAndTurnOff();
    void refusals_data();
    void refusals();
    void passwordKept_data();
    void passwordKept();
    void passwordCommand_data();
    void passwordCommand();
    void untrustedCertificate();

private:
    template <class T> static T* part(SyncDialog& dialog, const char* name)
    {
        T* found = dialog.findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no %s in the dialog", name);
        return found;
    }
    static void fill(SyncDialog& dialog, const QString& address, const QString& user,
                     const QString& password);
    static bool click(SyncDialog& dialog, const char* button);
    static QString said(SyncDialog& dialog) { return part<QLabel>(dialog, "message")->text(); }
    bool linked() const { return syncsetup::linkedAccount(m_book).value.has_value(); }
    QString key() const { return keyring::key(m_server->url().toString(), m_server->user()); }

    QTemporaryDir m_config;
    std::unique_ptr<RadicaleServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeKeyring> m_keyring;
    QString m_book;
};

void TestSyncDialog::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    MessageBox::setTestMode(true);
}

void TestSyncDialog::init()
{
    m_server = std::make_unique<RadicaleServer>();
    QVERIFY2(m_server->start(), qPrintable(m_server->errorText()));
    m_dir = std::make_unique<QTemporaryDir>();
    m_book = m_dir->filePath(QStringLiteral("Quelmar.mdb"));
    testdb::createEmpty(m_book);
    m_keyring = std::make_unique<FakeKeyring>();
    MessageBox::clearShown();
}

void TestSyncDialog::cleanup()
{
    m_keyring.reset();
    m_server.reset();
}

void TestSyncDialog::fill(SyncDialog& dialog, const QString& address, const QString& user,
                          const QString& password)
{
    part<QLineEdit>(dialog, "address")->setText(address);
    part<QLineEdit>(dialog, "user")->setText(user);
    part<QLineEdit>(dialog, "password")->setText(password);
}

// Clicks the button and waits for what it started on the server to end.
bool TestSyncDialog::click(SyncDialog& dialog, const char* button)
{
    part<QPushButton>(dialog, button)->click();
    return QTest::qWaitFor([&dialog] { return !dialog.busy(); }, 60000);
}

void TestSyncDialog::setUpSyncAndTurnOff()
{
    const QUrl contatos = m_server->createAddressBook("contatos", "Contatos");
    QVERIFY(m_server->createAddressBook("trabalho", "Trabalho").isValid());
    carddav::Client phone({contatos, m_server->user(), m_server->password(), {}});
    QVERIFY(phone
                .put(phone.hrefFor(contatos, "bia"),
                     "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bia\r\nFN:Bia Souza\r\nEND:VCARD\r\n", {})
                .ok());
    testdb::insertContact(m_book, {"Ana Lima"});

    SyncDialog dialog(m_book);
    QVERIFY(!part<QPushButton>(dialog, "turnOff")->isEnabled());
    fill(dialog, m_server->url().toString(), m_server->user(), m_server->password());
    QVERIFY(click(dialog, "test"));
    QListWidget* books = part<QListWidget>(dialog, "books");
    QCOMPARE(books->count(), 2);
    QVERIFY2(said(dialog).startsWith("2 catálogos"), qPrintable(said(dialog)));
    QVERIFY(click(dialog, "syncNow")); // none chosen yet
    QVERIFY2(said(dialog).contains("escolha um na lista"), qPrintable(said(dialog)));
    QVERIFY(!linked());

    const QList<QListWidgetItem*> chosen = books->findItems("Contatos", Qt::MatchStartsWith);
    QCOMPARE(chosen.size(), 1);
    chosen.constFirst()->setSelected(true);
    QVERIFY(click(dialog, "syncNow"));
    QVERIFY2(said(dialog).contains("1 recebido, 1 enviado"), qPrintable(said(dialog)));
    QCOMPARE(syncsetup::linkedAccount(m_book).value->bookName, QStringLiteral("Contatos"));
    QCOMPARE(m_keyring->kept.value(key()), m_server->password());
    QVERIFY(part<QLabel>(dialog, "lastSync")->text().contains("Hoje às"));
    QStringList names = testdb::storedNames(m_book);
    names.sort();
    QCOMPARE(names, QStringList({"Ana Lima", "Bia Souza"}));

    // Opened again, the dialog finds the account and its password.
    SyncDialog again(m_book);
    QTRY_COMPARE(part<QLineEdit>(again, "password")->text(), m_server->password());
    QVERIFY(part<QLineEdit>(again, "address")->isReadOnly());
    QVERIFY(click(again, "syncNow"));
    QVERIFY2(said(again).contains("0 recebidos, 0 enviados"), qPrintable(said(again)));

    // Turning off asks first; the contacts stay, the account and password go.
    MessageBox::setNextAnswer(MessageBox::No);
    part<QPushButton>(again, "turnOff")->click();
    QVERIFY(linked());
    MessageBox::setNextAnswer(MessageBox::Yes);
    part<QPushButton>(again, "turnOff")->click();
    QCOMPARE(MessageBox::shown().size(), 2);
    QVERIFY(!linked());
    QVERIFY(m_keyring->kept.isEmpty());
    QVERIFY(said(again).startsWith("Sincronização desligada"));
    QVERIFY(!part<QLineEdit>(again, "address")->isReadOnly());
    QCOMPARE(testdb::storedNames(m_book).size(), 2);
}

void TestSyncDialog::refusals_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("book");    // the server has an address book
    QTest::addColumn<bool>("running"); // the server answers
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("said");
    const QString pw = QStringLiteral("s3nha-de-teste");
    QTest::newRow("wrong password, testing") << "ana"
                                             << "errada" << true << true << QByteArray("test")
                                             << "O servidor recusou o usuário e a senha.";
    QTest::newRow("wrong password, syncing") << "ana"
                                             << "errada" << true << true << QByteArray("syncNow")
                                             << "O servidor recusou o usuário e a senha.";
    QTest::newRow("server unreachable") << "ana" << pw << true << false << QByteArray("syncNow")
                                        << "Servidor inacessível: 127.0.0.1";
    QTest::newRow("no address book") << "ana" << pw << false << true << QByteArray("test")
                                     << "O servidor não tem nenhum catálogo de endereços para ana.";
    QTest::newRow("no user") << "" << pw << true << true << QByteArray("syncNow")
                             << "Informe o usuário no servidor.";
    QTest::newRow("no password") << "ana"
                                 << "" << true << true << QByteArray("test") << "Informe a senha.";
}

void TestSyncDialog::refusals()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, book);
    QFETCH(bool, running);
    QFETCH(QByteArray, button);
    QFETCH(QString, said);
    if (book)
        QVERIFY(m_server->createAddressBook("contatos", "Contatos").isValid());
    if (!running)
        m_server->stop();
    SyncDialog dialog(m_book);
    fill(dialog, m_server->url().toString(), user, password);
    QVERIFY(click(dialog, button.constData()));
    QVERIFY2(TestSyncDialog::said(dialog).startsWith(said),
             qPrintable(TestSyncDialog::said(dialog)));
    QVERIFY(!linked());
    QVERIFY(m_keyring->kept.isEmpty());
    QCOMPARE(part<QListWidget>(dialog, "books")->count(), 0);
}

// Where the password that linked the book is kept: the keyring when asked and
// one answers, else this session's memory, which the dialog then says.
void TestSyncDialog::passwordKept_data()
{
    QTest::addColumn<bool>("remember");
    QTest::addColumn<bool>("answering");
    QTest::addColumn<int>("source");
    QTest::addColumn<bool>("toldSession"); // the dialog says it is kept for the session
    using F = syncpassword::Found;
    QTest::newRow("in the keyring") << true << true << int(F::Keyring) << false;
    QTest::newRow("not to be remembered") << false << true << int(F::Session) << false;
    QTest::newRow("no keyring answering") << true << false << int(F::Session) << true;
}

void TestSyncDialog::passwordKept()
{
    QFETCH(bool, remember);
    QFETCH(bool, answering);
    QFETCH(int, source);
    QFETCH(bool, toldSession);
    QVERIFY(m_server->createAddressBook("contatos", "Contatos").isValid());
    m_keyring->available = answering;
    SyncDialog dialog(m_book);
    fill(dialog, m_server->url().toString(), m_server->user(), m_server->password());
    part<QCheckBox>(dialog, "remember")->setChecked(remember);
    QVERIFY(click(dialog, "syncNow"));
    QVERIFY2(linked(), qPrintable(said(dialog)));
    QCOMPARE(said(dialog).contains("só enquanto o programa estiver aberto"), toldSession);
    const syncpassword::Found found =
        syncpassword::find(m_server->url().toString(), m_server->user());
    QCOMPARE(int(found.source), source);
    QCOMPARE(found.password, m_server->password());
    m_keyring->available = true;
    (void)syncpassword::forget(m_server->url().toString(), m_server->user());
}

// An account linked with a password command gets its password from it, on the
// worker thread; the password field is not used.
void TestSyncDialog::passwordCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("said");
    QTest::newRow("working") << "printf s3nha-de-teste"
                             << "Sincronizado com Contatos";
    QTest::newRow("failing") << "exit 1"
                             << "O comando da senha falhou: exit 1";
}

void TestSyncDialog::passwordCommand()
{
    QFETCH(QString, command);
    QFETCH(QString, said);
    QVERIFY(m_server->createAddressBook("contatos", "Contatos").isValid());
    syncsetup::Request request;
    request.address = m_server->url().toString();
    request.user = m_server->user();
    request.password = m_server->password();
    request.passwordCommand = command;
    QVERIFY(syncsetup::setUp(m_book, request).ok());
    SyncDialog dialog(m_book);
    QLineEdit* password = part<QLineEdit>(dialog, "password");
    QTRY_VERIFY(!password->isEnabled());
    QVERIFY(password->text().isEmpty());
    QVERIFY(click(dialog, "syncNow"));
    QVERIFY2(TestSyncDialog::said(dialog).contains(said), qPrintable(TestSyncDialog::said(dialog)));
    QVERIFY(m_keyring->kept.isEmpty());
}

// A certificate no authority vouches for is named with its fingerprint, and
// trusted with one click for the rest of the setting up.
void TestSyncDialog::untrustedCertificate()
{
    HttpStub stub([](const HttpStub::Seen&) { return HttpStub::answer(404); },
                  HttpStub::selfSigned());
    SyncDialog dialog(m_book);
    fill(dialog, stub.url().toString(), "ana", "senha");
    QVERIFY(click(dialog, "test"));
    QPushButton* trust = part<QPushButton>(dialog, "trust");
    QVERIFY2(said(dialog).startsWith("Certificado do servidor não confiável: 127.0.0.1"),
             qPrintable(said(dialog)));
    QVERIFY(said(dialog).contains(QString::fromLatin1(HttpStub::fingerprint())));
    QVERIFY(!trust->isHidden());
    QVERIFY(stub.seen.isEmpty());

    QVERIFY(click(dialog, "trust"));
    QVERIFY(!stub.seen.isEmpty());
    QVERIFY2(!said(dialog).contains("Certificado"), qPrintable(said(dialog)));
    QVERIFY(trust->isHidden());
}

QTEST_MAIN(TestSyncDialog)
#include "tst_syncdialog.moc"
