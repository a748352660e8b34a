#include "carddavclient.h"
#include "httpstub.h"
#include "radicaleserver.h"

#include <QTest>

using carddav::Error;

Q_DECLARE_METATYPE(Error::Kind)

// The CardDAV client against a real server, and against a stub for the answers
// that server never gives.
class TestCardDavClient : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void canonicalHref_data();
    void canonicalHref();
    void discovery_data();
    void discovery();
    void checkErrors_data();
    void checkErrors();
    void certificates_data();
    void certificates();
    void roundTrip_data();
    void roundTrip();
    void preconditions_data();
    void preconditions();
    void invalidToken_data();
    void invalidToken();
    void truncatedSync();
    void oddAnswers_data();
    void oddAnswers();

private:
    carddav::Account account(const QString& path, const QString& password = {}) const;
    static QByteArray card(const QString& uid, const QString& name);

    RadicaleServer m_server;
    QUrl m_personal;
    QUrl m_work;
};

carddav::Account TestCardDavClient::account(const QString& path, const QString& password) const
{
    carddav::Account account;
    account.url = m_server.url().resolved(QUrl(path));
    account.user = m_server.user();
    account.password = password.isEmpty() ? m_server.password() : password;
    return account;
}

QByteArray TestCardDavClient::card(const QString& uid, const QString& name)
{
    return QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%1\r\nFN:%2\r\nN:%2;;;;\r\n"
                          "END:VCARD\r\n")
        .arg(uid, name)
        .toUtf8();
}

void TestCardDavClient::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    m_personal = m_server.createAddressBook(QStringLiteral("pessoal"), QStringLiteral("Pessoal"));
    m_work = m_server.createAddressBook(QStringLiteral("trabalho"), QStringLiteral("Trabalho"));
    QVERIFY2(!m_personal.isEmpty() && !m_work.isEmpty(), qPrintable(m_server.errorText()));
}

void TestCardDavClient::canonicalHref_data()
{
    QTest::addColumn<QString>("href");
    QTest::addColumn<QString>("canonical");
    const QString jose = QStringLiteral("/ana/pessoal/Jos%C3%A9%20Silva.vcf");
    // clang-format off
    QTest::newRow("already canonical") << jose << jose;
    QTest::newRow("space and accent as typed") << QStringLiteral("/ana/pessoal/José Silva.vcf") << jose;
    QTest::newRow("lowercase hex") << QStringLiteral("/ana/pessoal/Jos%c3%a9%20Silva.vcf") << jose;
    QTest::newRow("absolute URL") << QStringLiteral("http://127.0.0.1:9/ana/pessoal/José%20Silva.vcf") << jose;
    QTest::newRow("relative to the book") << QStringLiteral("Jos%C3%A9 Silva.vcf") << jose;
    QTest::newRow("dot segments") << QStringLiteral("/ana/x/../pessoal/José Silva.vcf") << jose;
    QTest::newRow("unreserved decoded") << QStringLiteral("/ana/pessoal/%41na.vcf") << QStringLiteral("/ana/pessoal/Ana.vcf");
    QTest::newRow("delimiters encoded") << QStringLiteral("/ana/pessoal/a+b@c.vcf") << QStringLiteral("/ana/pessoal/a%2Bb%40c.vcf");
    QTest::newRow("encoded slash kept") << QStringLiteral("/ana/pessoal/a%2fb.vcf") << QStringLiteral("/ana/pessoal/a%2Fb.vcf");
    // clang-format on
}

void TestCardDavClient::canonicalHref()
{
    QFETCH(QString, href);
    QFETCH(QString, canonical);
    const QUrl book(QStringLiteral("http://127.0.0.1:9/ana/pessoal/"));
    QCOMPARE(carddav::canonicalHref(book, href), canonical);
    QCOMPARE(carddav::canonicalHref(book, canonical), canonical);
}

void TestCardDavClient::discovery_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("books");
    const QStringList both = {QStringLiteral("Pessoal"), QStringLiteral("Trabalho")};
    QTest::newRow("server root, no path") << QString() << both;
    QTest::newRow("server root") << QStringLiteral("/") << both;
    QTest::newRow("principal") << QStringLiteral("/ana/") << both;
    QTest::newRow("the book itself")
        << QStringLiteral("/ana/trabalho/") << QStringList{both.last()};
}

void TestCardDavClient::discovery()
{
    QFETCH(QString, path);
    QFETCH(QStringList, books);
    carddav::Account given = account(QStringLiteral("/"));
    given.url.setPath(path);
    carddav::Client client(given);
    const auto found = client.discover();
    QVERIFY2(found.ok(), qPrintable(found.error.message));
    QStringList names;
    for (const carddav::AddressBook& book : found.value.books) {
        names << book.displayName;
        QVERIFY(book.syncCollection);
        QCOMPARE(book.url, book.displayName == QLatin1String("Pessoal") ? m_personal : m_work);
    }
    names.sort();
    QCOMPARE(names, books);
    QCOMPARE(found.value.otherHost, QString());
}

void TestCardDavClient::checkErrors_data()
{
    QTest::addColumn<QUrl>("book");
    QTest::addColumn<QString>("password");
    QTest::addColumn<Error::Kind>("kind");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("message");
    const QUrl server = m_server.url();
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    const QUrl nobody(QStringLiteral("http://127.0.0.1:%1/ana/").arg(closed.serverPort()));
    closed.close();
    // clang-format off
    QTest::newRow("fine") << m_personal << QString() << Error::None << true << QString();
    QTest::newRow("wrong password") << m_personal << "errada" << Error::Unauthorized << true
        << "O servidor recusou o usuário e a senha. Se o provedor só aceita entrar pelo navegador, crie uma senha de aplicativo e use-a aqui.";
    QTest::newRow("book gone") << server.resolved(QUrl("/ana/antigo/")) << QString() << Error::NotFound << true
        << "O catálogo de endereços não existe mais no servidor: " + server.resolved(QUrl("/ana/antigo/")).toString();
    QTest::newRow("plain http elsewhere") << QUrl("http://exemplo.com.br/ana/") << QString() << Error::InsecureAddress << false
        << QString("Endereço sem criptografia recusado: http://exemplo.com.br/ana/ (use https://)");
    QTest::newRow("not http") << QUrl("ftp://127.0.0.1/ana/") << QString() << Error::InsecureAddress << false << QString();
    QTest::newRow("nobody listening") << nobody << QString() << Error::Unreachable << true
        << QString("Servidor inacessível: 127.0.0.1 (Connection refused)");
    // clang-format on
}

void TestCardDavClient::checkErrors()
{
    QFETCH(QUrl, book);
    QFETCH(QString, password);
    QFETCH(Error::Kind, kind);
    QFETCH(bool, asked);
    QFETCH(QString, message);
    carddav::Client client(account(QStringLiteral("/"), password));
    const Error error = client.check(book);
    QCOMPARE(error.kind, kind);
    QCOMPARE(client.requests() > 0, asked);
    if (!message.isEmpty())
        QCOMPARE(error.message, message);
    if (kind != Error::None)
        QCOMPARE(error.host, book.host());
}

void TestCardDavClient::certificates_data()
{
    QTest::addColumn<QString>("trustedHost");
    QTest::addColumn<QByteArray>("trusted"); // "right" for the server's own fingerprint
    QTest::addColumn<Error::Kind>("kind");
    QTest::newRow("not trusted") << QString() << QByteArray() << Error::Certificate;
    QTest::newRow("trusted") << "127.0.0.1" << QByteArray("right") << Error::None;
    QTest::newRow("trusted, written with colons")
        << "127.0.0.1" << QByteArray("RIGHT:") << Error::None;
    QTest::newRow("trusted for another host")
        << "localhost" << QByteArray("right") << Error::Certificate;
    QTest::newRow("another certificate trusted")
        << "127.0.0.1" << QByteArray(64, 'a') << Error::Certificate;
}

// A certificate the system does not vouch for stops the request, naming its
// fingerprint, unless the user trusted that very one for that host.
void TestCardDavClient::certificates()
{
    QFETCH(QString, trustedHost);
    QFETCH(QByteArray, trusted);
    QFETCH(Error::Kind, kind);
    HttpStub stub(
        [](const HttpStub::Seen&) {
            return HttpStub::answer(207, "<d:multistatus xmlns:d=\"DAV:\"/>");
        },
        HttpStub::selfSigned());
    const QByteArray fingerprint = HttpStub::fingerprint();
    if (trusted == "right")
        trusted = fingerprint;
    else if (trusted == "RIGHT:")
        trusted = fingerprint.toUpper().left(2) + ':' + fingerprint.toUpper().mid(2);
    carddav::Account given = account(QStringLiteral("/"));
    given.url = stub.url();
    if (!trustedHost.isEmpty())
        given.trustedCertificates.insert(trustedHost, trusted);
    carddav::Client client(given);
    const Error error = client.check(stub.url());
    QCOMPARE(error.kind, kind);
    QCOMPARE(stub.seen.size(), kind == Error::None ? 1 : 0);
    if (kind == Error::Certificate) {
        QCOMPARE(error.fingerprint, fingerprint);
        QCOMPARE(error.host, QStringLiteral("127.0.0.1"));
        QVERIFY2(error.message.contains(QString::fromLatin1(fingerprint)),
                 qPrintable(error.message));
    }
}

void TestCardDavClient::roundTrip_data()
{
    QTest::addColumn<QString>("uid");
    QTest::newRow("plain") << QStringLiteral("ana-1");
    QTest::newRow("space") << QStringLiteral("Ana Maria");
    QTest::newRow("accents") << QStringLiteral("José Ângelo Conceição");
    QTest::newRow("delimiters") << QStringLiteral("a+b&c@d");
}

// A card written is listed, read back and reported as changed, then removed.
// Every href comes back in one form, whichever form it was given in.
void TestCardDavClient::roundTrip()
{
    QFETCH(QString, uid);
    carddav::Client client(account(QStringLiteral("/")));
    const QString href = client.hrefFor(m_personal, uid);
    QCOMPARE(href, carddav::canonicalHref(m_personal, href));
    const auto before = client.syncToken(m_personal);
    QVERIFY2(before.ok(), qPrintable(before.error.message));

    const auto etag = client.put(QUrl::fromPercentEncoding(href.toUtf8()), card(uid, "Ana"), {});
    QVERIFY2(etag.ok(), qPrintable(etag.error.message));
    QVERIFY(!etag.value.isEmpty());

    const auto listed = client.listing(m_personal);
    QVERIFY2(listed.ok(), qPrintable(listed.error.message));
    const auto entry = std::find_if(listed.value.begin(), listed.value.end(),
                                    [&](const carddav::Entry& e) { return e.href == href; });
    QVERIFY(entry != listed.value.end());
    QCOMPARE(entry->etag, etag.value);

    const QString gone = client.hrefFor(m_personal, QStringLiteral("nunca-houve"));
    const auto fetched =
        client.fetch(m_personal, {m_personal.resolved(QUrl(href)).toString(), gone});
    QVERIFY2(fetched.ok(), qPrintable(fetched.error.message));
    QCOMPARE(fetched.value.size(), 1);
    QCOMPARE(fetched.value.first().href, href);
    QCOMPARE(fetched.value.first().etag, etag.value);
    QCOMPARE(fetched.value.first().card, card(uid, "Ana"));

    const auto changes = client.changesSince(m_personal, before.value);
    QVERIFY2(changes.ok(), qPrintable(changes.error.message));
    QCOMPARE(changes.value.changed.size(), 1);
    QCOMPARE(changes.value.changed.first().href, href);
    QCOMPARE(changes.value.changed.first().etag, etag.value);
    QVERIFY(changes.value.removed.isEmpty());

    QCOMPARE(client.remove(href, etag.value).kind, Error::None);
    const auto after = client.changesSince(m_personal, changes.value.token);
    QVERIFY2(after.ok(), qPrintable(after.error.message));
    QCOMPARE(after.value.removed, QStringList{href});
    QVERIFY(after.value.changed.isEmpty());
}

void TestCardDavClient::preconditions_data()
{
    QTest::addColumn<bool>("removing");
    QTest::addColumn<QString>("version");
    QTest::addColumn<Error::Kind>("kind");
    QTest::newRow("write over the current") << false << "current" << Error::None;
    QTest::newRow("write over a stale one") << false << "stale" << Error::PreconditionFailed;
    QTest::newRow("write as new over one") << false << "none" << Error::PreconditionFailed;
    QTest::newRow("remove the current") << true << "current" << Error::None;
    QTest::newRow("remove a stale one") << true << "stale" << Error::PreconditionFailed;
}

void TestCardDavClient::preconditions()
{
    QFETCH(bool, removing);
    QFETCH(QString, version);
    QFETCH(Error::Kind, kind);
    carddav::Client client(account(QStringLiteral("/")));
    const QString uid = QString::fromLatin1(QTest::currentDataTag());
    const QString href = client.hrefFor(m_work, uid);
    const auto stale = client.put(href, card(uid, "Bia"), {});
    QVERIFY2(stale.ok(), qPrintable(stale.error.message));
    const auto current = client.put(href, card(uid, "Beatriz"), stale.value);
    QVERIFY2(current.ok(), qPrintable(current.error.message));

    const QByteArray ifMatch = version == QLatin1String("current") ? current.value
                               : version == QLatin1String("stale") ? stale.value
                                                                   : QByteArray();
    const Error error = removing ? client.remove(href, ifMatch)
                                 : client.put(href, card(uid, "Outra"), ifMatch).error;
    QCOMPARE(error.kind, kind);
    if (kind == Error::PreconditionFailed)
        QCOMPARE(error.status, 412);
}

void TestCardDavClient::invalidToken_data()
{
    QTest::addColumn<int>("stubStatus"); // 0: the real server
    QTest::addColumn<QString>("token");
    QTest::newRow("unknown") << 0 << "http://radicale.org/ns/sync/0123456789abcdef";
    QTest::newRow("malformed") << 0 << "nada";
    QTest::newRow("409 from elsewhere") << 409 << "t9";
}

void TestCardDavClient::invalidToken()
{
    QFETCH(int, stubStatus);
    QFETCH(QString, token);
    HttpStub stub([&](const HttpStub::Seen&) {
        return HttpStub::answer(stubStatus, "<d:error xmlns:d=\"DAV:\"><d:valid-sync-token/>"
                                            "</d:error>");
    });
    const QUrl book = stubStatus ? stub.url().resolved(QUrl("/livro/")) : m_personal;
    carddav::Client client(account(QStringLiteral("/")));
    const auto changes = client.changesSince(book, token);
    QCOMPARE(changes.error.kind, Error::InvalidSyncToken);
}

// A sync-collection answer cut short (507 on the collection itself) is asked
// again from the token that came with it, and the parts are put together.
void TestCardDavClient::truncatedSync()
{
    auto response = [](const char* href, const char* inner) {
        return QByteArray("<d:response><d:href>") + href + "</d:href>" + inner + "</d:response>";
    };
    auto etag = [](const char* value) {
        return QByteArray("<d:propstat><d:prop><d:getetag>\"") + value +
               "\"</d:getetag></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>";
    };
    const QByteArray truncated = "<d:status>HTTP/1.1 507 Insufficient Storage</d:status>";
    const QByteArray gone = "<d:status>HTTP/1.1 404 Not Found</d:status>";
    HttpStub stub([&](const HttpStub::Seen& seen) {
        QByteArray body = "<d:multistatus xmlns:d=\"DAV:\">";
        if (seen.body.contains("<d:sync-token></d:sync-token>") ||
            seen.body.contains("<d:sync-token/>"))
            body += response("/livro/a.vcf", etag("1")) + response("/livro/b%20c.vcf", etag("2")) +
                    response("/livro/", truncated) + "<d:sync-token>t1</d:sync-token>";
        else if (seen.body.contains(">t1<"))
            body += response("/livro/b c.vcf", gone) + response("/livro/d.vcf", etag("3")) +
                    response("/livro/", truncated) + "<d:sync-token>t2</d:sync-token>";
        else
            body += response("/livro/a.vcf", etag("4")) + "<d:sync-token>t3</d:sync-token>";
        return HttpStub::answer(207, body + "</d:multistatus>");
    });
    carddav::Client client(account(QStringLiteral("/")));
    const auto changes = client.changesSince(stub.url().resolved(QUrl("/livro/")), QString());
    QVERIFY2(changes.ok(), qPrintable(changes.error.message));
    QCOMPARE(client.requests(), 3);
    QCOMPARE(changes.value.token, QStringLiteral("t3"));
    QStringList changed;
    for (const carddav::Entry& entry : changes.value.changed)
        changed << entry.href + QLatin1Char(' ') + QString::fromUtf8(entry.etag);
    QCOMPARE(changed, (QStringList{"/livro/a.vcf \"4\"", "/livro/d.vcf \"3\""}));
    QCOMPARE(changes.value.removed, QStringList{"/livro/b%20c.vcf"});
}

void TestCardDavClient::oddAnswers_data()
{
    QTest::addColumn<QByteArrayList>("answers"); // "path answer", PORT standing for the stub's
    QTest::addColumn<bool>("tls");
    QTest::addColumn<Error::Kind>("kind");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("otherHost");
    QTest::addColumn<QByteArray>("lastAsked"); // in the last request the stub saw
    const QByteArray book = HttpStub::answer(
        207, "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>/livro/</d:href><d:propstat>"
             "<d:prop><d:resourcetype><d:collection/><c:addressbook "
             "xmlns:c=\"urn:ietf:params:xml:ns:carddav\"/></d:resourcetype></d:prop>"
             "<d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response></d:multistatus>");
    auto moved = [](int status, const QByteArray& to) {
        return HttpStub::answer(status, {}, "Location: " + to + "\r\n");
    };
    const QByteArray digest = HttpStub::answer(401, {},
                                               "WWW-Authenticate: Digest realm=\"x\", "
                                               "nonce=\"n1\", qop=\"auth\"\r\n");
    // clang-format off
    QTest::newRow("moved on the same host") << QByteArrayList{"/inicio/ " + moved(308, "/livro/"), "/livro/ " + book} << false << Error::None << 2 << QString() << QByteArray("PROPFIND /livro/");
    QTest::newRow("moved to another host by https") << QByteArrayList{"/inicio/ " + moved(301, "https://localhost:PORT/livro/"), "/livro/ " + book} << true << Error::None << 2 << "localhost" << QByteArray("Host: localhost:");
    QTest::newRow("moved to another host by http") << QByteArrayList{"/inicio/ " + moved(301, "http://localhost:PORT/livro/")} << false << Error::InsecureAddress << 1 << QString() << QByteArray("/inicio/");
    QTest::newRow("moved from https to http") << QByteArrayList{"/inicio/ " + moved(301, "http://127.0.0.1:PORT/livro/")} << true << Error::InsecureAddress << 1 << QString() << QByteArray("/inicio/");
    QTest::newRow("moved in circles") << QByteArrayList{"/inicio/ " + moved(302, "/inicio/")} << false << Error::Protocol << 6 << QString() << QByteArray("/inicio/");
    QTest::newRow("not XML") << QByteArrayList{"/inicio/ " + HttpStub::answer(207, "<d:multistatus xmlns:d=\"DAV:\"><d:response>")} << false << Error::Protocol << 1 << QString() << QByteArray("/inicio/");
    QTest::newRow("silent") << QByteArrayList{} << false << Error::Timeout << 1 << QString() << QByteArray("/inicio/");
    // Basic first; a Digest challenge answered once, then taken as a refusal.
    QTest::newRow("digest refused") << QByteArrayList{"/inicio/ " + digest} << false << Error::Unauthorized << 1 << QString() << QByteArray("Authorization: Digest username=\"ana\"");
    // clang-format on
}

// Discovery against answers a real server seldom gives: redirects, broken
// bodies, silence, Digest. A redirect keeps the method and the body.
void TestCardDavClient::oddAnswers()
{
    QFETCH(QByteArrayList, answers);
    QFETCH(bool, tls);
    QFETCH(Error::Kind, kind);
    QFETCH(int, requests);
    QFETCH(QString, otherHost);
    QFETCH(QByteArray, lastAsked);
    HttpStub* stubbed = nullptr;
    HttpStub stub(
        [&](const HttpStub::Seen& seen) {
            for (const QByteArray& answer : answers) {
                if (answer.startsWith(seen.path + ' '))
                    return answer.mid(seen.path.size() + 1)
                        .replace("PORT", QByteArray::number(stubbed->port()));
            }
            return QByteArray();
        },
        tls ? HttpStub::selfSigned() : QSslConfiguration());
    stubbed = &stub;
    carddav::Account given = account(QStringLiteral("/"));
    given.url = stub.url().resolved(QUrl("/inicio/"));
    const QByteArray fingerprint = HttpStub::fingerprint();
    given.trustedCertificates = {{"127.0.0.1", fingerprint}, {"localhost", fingerprint}};
    carddav::Client client(given);
    client.setTimeout(300);
    const auto found = client.discover();
    QCOMPARE(found.error.kind, kind);
    QCOMPARE(client.requests(), requests);
    for (const HttpStub::Seen& seen : std::as_const(stub.seen)) {
        QCOMPARE(seen.method, QByteArray("PROPFIND"));
        QCOMPARE(seen.body, stub.seen.first().body);
    }
    QVERIFY(stub.seen.first().head.contains("Authorization: Basic "));
    QVERIFY2(stub.seen.last().head.contains(lastAsked), stub.seen.last().head.constData());
    QCOMPARE(found.value.otherHost, otherHost);
    if (kind == Error::None) {
        QUrl book = stub.url().resolved(QUrl("/livro/"));
        if (!otherHost.isEmpty())
            book.setHost(otherHost);
        QCOMPARE(found.value.books.value(0).url, book);
    }
}

QTEST_GUILESS_MAIN(TestCardDavClient)
#include "tst_carddavclient.moc"
