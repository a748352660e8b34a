#include "syncsetup.h"

#include "database.h"
#include "usersettings.h"

#include <QThread>

namespace syncsetup {

namespace {

// A connection name of this thread's own: the dialog works on a thread of its
// own while the window may sync on another.
QString connectionName(const char* task)
{
    return QStringLiteral("listrano-%1-%2")
        .arg(QLatin1String(task))
        .arg(quintptr(QThread::currentThreadId()));
}

QByteArray fingerprint(const QByteArray& given)
{
    return given.trimmed().toLower().replace(':', "");
}

struct Target {
    QUrl url; // without the user
    QString user;
    QHash<QString, QByteArray> trusted;
};

Target target(const Request& request)
{
    Target t;
    std::tie(t.url, t.user) = addressAndUser(request.address, request.user);
    for (auto it = request.trustCertificates.begin(); it != request.trustCertificates.end(); ++it)
        t.trusted.insert(it.key(), fingerprint(it.value()));
    return t;
}

bool namesBook(const carddav::AddressBook& book, const QString& name)
{
    const QString last = book.url.path().section(u'/', -2, -2, QString::SectionSkipEmpty);
    return book.displayName.compare(name, Qt::CaseInsensitive) == 0 ||
           book.url.path().split(u'/', Qt::SkipEmptyParts).value(-1) == name || last == name ||
           book.url.toString() == name;
}

Result failed(Result::Problem problem, const QString& message, Result result = {})
{
    result.problem = problem;
    result.message = message;
    return result;
}

Result serverFailed(const carddav::Error& error, Result result = {})
{
    result.error = error;
    return failed(Result::Server, error.message, result);
}

// The books the server has for the user, narrowed to the one named.
Result search(carddav::Client& client, const Target& t, const QString& named)
{
    if (t.user.isEmpty())
        return failed(Result::NoUser, QStringLiteral("informe o usuário no servidor."));
    const carddav::Result<carddav::Discovery> found = client.discover();
    if (!found.ok())
        return serverFailed(found.error);
    Result result;
    result.books = found.value.books;
    result.otherHost = found.value.otherHost;
    if (!named.isEmpty()) {
        QList<carddav::AddressBook> chosen;
        for (const carddav::AddressBook& b : std::as_const(result.books)) {
            if (namesBook(b, named))
                chosen << b;
        }
        if (chosen.isEmpty())
            return failed(Result::NoSuchBook,
                          QStringLiteral("o servidor não tem o catálogo %1. Os catálogos são:\n%2")
                              .arg(named, bookList(result.books)),
                          result);
        result.books = chosen;
    }
    if (result.books.isEmpty())
        return failed(
            Result::NoBook,
            QStringLiteral("o servidor não tem nenhum catálogo de endereços para %1.").arg(t.user),
            result);
    return result;
}
} // namespace

std::pair<QUrl, QString> addressAndUser(const QString& address, const QString& user)
{
    QUrl url = QUrl::fromUserInput(address);
    if (!address.contains(QStringLiteral("://")))
        url = QUrl(address); // a bare domain: found through DNS
    const QString named = user.isEmpty() ? url.userName() : user;
    url.setUserInfo(QString());
    return {url, named};
}

QString bookName(const carddav::AddressBook& book)
{
    return book.displayName.isEmpty() ? book.url.path().split(u'/', Qt::SkipEmptyParts).value(-1)
                                      : book.displayName;
}

QString bookList(const QList<carddav::AddressBook>& books)
{
    QStringList lines;
    for (const carddav::AddressBook& b : books)
        lines << QStringLiteral("  %1 (%2)").arg(b.displayName, b.url.toString());
    return lines.join(u'\n');
}

Result discover(const Request& request)
{
    const Target t = target(request);
    carddav::Client client({t.url, t.user, request.password, t.trusted});
    return search(client, t, request.addressBook);
}

Result setUp(const QString& book, const Request& request)
{
    const Target t = target(request);
    if (t.user.isEmpty())
        return failed(Result::NoUser, QStringLiteral("informe o usuário no servidor."));
    database::Connection connection(book, connectionName("sync-setup"));
    if (connection.error())
        return failed(Result::Store, connection.error().explained());
    const StoreResult<bool> linked = syncstate::isSetUp(connection.db());
    if (linked.error)
        return failed(Result::Store, linked.error.explained());
    if (linked.value) {
        Result result;
        const StoreResult<syncstate::Account> account = syncstate::account(connection.db());
        result.account = account.value;
        return failed(Result::AlreadyLinked,
                      QStringLiteral("este banco de dados já está ligado a %1 em %2.")
                          .arg(account.value.bookName, QUrl(account.value.bookUrl).host()),
                      result);
    }
    usersettings::AccountSettings settings = usersettings::load(request.address, t.user);
    settings.passwordCommand = request.passwordCommand;
    for (auto it = t.trusted.begin(); it != t.trusted.end(); ++it)
        settings.trustedCertificates.insert(it.key(), it.value());

    carddav::Client client({t.url, t.user, request.password, settings.trustedCertificates});
    Result result = search(client, t, request.addressBook);
    if (!result.ok())
        return result;
    if (result.books.size() > 1)
        return failed(
            Result::SeveralBooks,
            QStringLiteral("o servidor tem vários catálogos:\n%1").arg(bookList(result.books)),
            result);
    const carddav::AddressBook& found = result.books.constFirst();
    if (const carddav::Error e = client.check(found.url); !e.ok())
        return serverFailed(e, result);

    result.account.serverUrl = request.address;
    result.account.user = t.user;
    result.account.bookUrl = found.url.toString();
    result.account.bookName = bookName(found);
    if (const StoreError e = syncstate::setUp(connection.db(), result.account))
        return failed(Result::Store, e.explained(), result);
    if (const StoreError e = usersettings::save(request.address, t.user, settings))
        return failed(Result::Store,
                      QStringLiteral("não foi possível guardar as configurações em %1: %2")
                          .arg(usersettings::folder(), e.explained()),
                      result);
    return result;
}

namespace {
// The account of a book open on db; none when it is not set up. A book set up
// whose account cannot be read gives an empty one when readable is false.
StoreResult<std::optional<syncstate::Account>> accountOn(const QSqlDatabase& db, bool readable)
{
    const StoreResult<bool> linked = syncstate::isSetUp(db);
    if (linked.error || !linked.value)
        return {std::nullopt, linked.error};
    const StoreResult<syncstate::Account> account = syncstate::account(db);
    if (account.error)
        return readable
                   ? StoreResult<std::optional<syncstate::Account>>{std::nullopt, account.error}
                   : StoreResult<std::optional<syncstate::Account>>{syncstate::Account{}, {}};
    return {account.value, {}};
}
} // namespace

StoreResult<std::optional<syncstate::Account>> linkedAccount(const QString& book)
{
    database::Connection connection(book, connectionName("sync-account"));
    if (connection.error())
        return {std::nullopt, connection.error()};
    return accountOn(connection.db(), true);
}

StoreResult<std::optional<syncstate::Account>> turnOff(const QString& book)
{
    database::Connection connection(book, connectionName("sync-off"));
    if (connection.error())
        return {std::nullopt, connection.error()};
    const StoreResult<std::optional<syncstate::Account>> account =
        accountOn(connection.db(), false);
    if (account.error || !account.value)
        return account;
    if (const StoreError e = syncstate::tearDown(connection.db()))
        return {std::nullopt, e};
    if (!account.value->serverUrl.isEmpty() || !account.value->user.isEmpty())
        (void)usersettings::forget(account.value->serverUrl, account.value->user);
    return account;
}

carddav::Account clientAccount(const syncstate::Account& account, const QString& password)
{
    return {QUrl(account.bookUrl), account.user, password,
            usersettings::load(account.serverUrl, account.user).trustedCertificates};
}

StoreError trust(const QString& url, const QString& user, const QString& host,
                 const QByteArray& sha256)
{
    usersettings::AccountSettings settings = usersettings::load(url, user);
    settings.trustedCertificates.insert(host, fingerprint(sha256));
    return usersettings::save(url, user, settings);
}

} // namespace syncsetup
