#include "carddavclient.h"

#include "davxml.h"
#include "transport.h"

#include <QDnsLookup>
#include <QEventLoop>

#include <algorithm>

// Finding the address books from what the user gave (RFC 6764): a bare domain
// through its DNS service records, a server's root through its well-known
// address, a principal through its address book home.
namespace carddav {

namespace {

const QString ServiceName = QStringLiteral("_carddavs._tcp.");

void wait(QDnsLookup& lookup)
{
    QEventLoop loop;
    QObject::connect(&lookup, &QDnsLookup::finished, &loop, &QEventLoop::quit);
    lookup.lookup();
    if (!lookup.isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
}

// Where the service of a domain lies: its SRV record (and the path of its TXT
// record), or else https on the domain itself.
QUrl serviceAddress(const QString& domain)
{
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(domain);
    url.setPath(QStringLiteral("/"));
    QDnsLookup service(QDnsLookup::SRV, ServiceName + domain);
    wait(service);
    QList<QDnsServiceRecord> records = service.serviceRecords();
    if (service.error() != QDnsLookup::NoError || records.isEmpty())
        return url;
    std::sort(records.begin(), records.end(), [](const auto& a, const auto& b) {
        return a.priority() != b.priority() ? a.priority() < b.priority() : a.weight() > b.weight();
    });
    QString target = records.first().target();
    while (target.endsWith(QLatin1Char('.')))
        target.chop(1);
    if (target.isEmpty()) // "." says the service is not offered there
        return url;
    url.setHost(target);
    if (records.first().port() != 443)
        url.setPort(records.first().port());
    QDnsLookup text(QDnsLookup::TXT, ServiceName + domain);
    wait(text);
    for (const QDnsTextRecord& record : text.textRecords()) {
        for (const QByteArray& value : record.values()) {
            if (value.startsWith("path=") && value.size() > 5)
                url.setPath(QString::fromUtf8(value.mid(5)));
        }
    }
    return url;
}

QUrl startAddress(const QUrl& given)
{
    if (!given.host().isEmpty())
        return given;
    const QString text = given.toString().trimmed();
    if (text.contains(QLatin1Char(':')) || text.contains(QLatin1Char('/')))
        return QUrl(QStringLiteral("https://") + text);
    return serviceAddress(text);
}

bool isAddressBook(const davxml::Response& response)
{
    return response.properties.value(davxml::dav("resourcetype"))
        .elements.contains(davxml::card("addressbook"));
}

AddressBook bookOf(const QUrl& base, const davxml::Response& response)
{
    AddressBook book;
    book.url = Client::Private::resolved(base, response.href);
    book.displayName = response.properties.value(davxml::dav("displayname")).text.trimmed();
    if (book.displayName.isEmpty())
        book.displayName = book.url.fileName().isEmpty()
                               ? book.url.adjusted(QUrl::StripTrailingSlash).fileName()
                               : book.url.fileName();
    book.syncCollection = response.properties.value(davxml::dav("supported-report-set"))
                              .elements.contains(davxml::dav("sync-collection"));
    return book;
}

QList<QUrl> hrefsOf(const QUrl& base, const davxml::Response& response, const QString& property)
{
    QList<QUrl> urls;
    for (const QString& href : response.properties.value(property).hrefs)
        urls << Client::Private::resolved(base, href);
    return urls;
}

} // namespace

Result<Discovery> Client::discover()
{
    Result<Discovery> result;
    auto fail = [&](const Error& error) {
        result.error = error;
        return result;
    };
    const QUrl start = startAddress(d->account.url);
    QUrl wellKnown = start.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment);
    wellKnown.setPath(QStringLiteral("/.well-known/carddav"));
    const bool root = start.path().isEmpty() || start.path() == QLatin1String("/");
    const QList<QUrl> probes = root ? QList<QUrl>{wellKnown, start} : QList<QUrl>{start, wellKnown};
    const QStringList bookProperties = {davxml::dav("resourcetype"), davxml::dav("displayname"),
                                        davxml::dav("supported-report-set")};

    // A PROPFIND whose answer must be a readable multistatus.
    const auto ask = [this](const QUrl& url, const QByteArray& depth, const QStringList& properties,
                            QUrl* answered, davxml::Multistatus* answer) {
        const Response response = d->propfind(url, depth, properties, true);
        if (!response.error.ok())
            return response.error;
        if (Error e = d->statusError(response, Subject::Server); !e.ok())
            return e;
        *answered = response.url;
        *answer = davxml::parseMultistatus(response.body);
        return answer->error.isEmpty() ? Error() : d->protocolError(response, answer->error);
    };
    QList<QUrl> principals;
    QList<QUrl> homes;
    for (const QUrl& probe : probes) {
        const Response response =
            d->propfind(probe, "0",
                        bookProperties + QStringList{davxml::dav("current-user-principal"),
                                                     davxml::card("addressbook-home-set")},
                        true);
        if (!response.error.ok())
            return fail(response.error);
        if (response.status == 401)
            return fail(d->statusError(response, Subject::Server));
        if (response.status != 207)
            continue;
        const davxml::Multistatus answer = davxml::parseMultistatus(response.body);
        if (!answer.error.isEmpty())
            return fail(d->protocolError(response, answer.error));
        if (answer.responses.isEmpty())
            continue;
        const davxml::Response& own = answer.responses.first();
        if (isAddressBook(own)) {
            result.value.books << bookOf(response.url, own);
            break;
        }
        principals = hrefsOf(response.url, own, davxml::dav("current-user-principal"));
        homes = hrefsOf(response.url, own, davxml::card("addressbook-home-set"));
        if (!principals.isEmpty() || !homes.isEmpty())
            break;
    }
    for (const QUrl& principal : std::as_const(principals)) {
        if (!homes.isEmpty())
            break;
        QUrl answered;
        davxml::Multistatus answer;
        if (Error e =
                ask(principal, "0", {davxml::card("addressbook-home-set")}, &answered, &answer);
            !e.ok())
            return fail(e);
        if (!answer.responses.isEmpty())
            homes =
                hrefsOf(answered, answer.responses.first(), davxml::card("addressbook-home-set"));
    }
    if (result.value.books.isEmpty() && homes.isEmpty()) {
        Error e;
        e.kind = Error::NotFound;
        e.host = start.host();
        e.message = QStringLiteral("Nenhum catálogo de endereços encontrado: %1")
                        .arg(start.toDisplayString(QUrl::RemoveUserInfo));
        return fail(e);
    }
    for (const QUrl& home : std::as_const(homes)) {
        QUrl answered;
        davxml::Multistatus answer;
        if (Error e = ask(home, "1", bookProperties, &answered, &answer); !e.ok())
            return fail(e);
        for (const davxml::Response& member : answer.responses) {
            if (isAddressBook(member))
                result.value.books << bookOf(answered, member);
        }
    }
    for (const AddressBook& book : std::as_const(result.value.books)) {
        if (book.url.host().compare(start.host(), Qt::CaseInsensitive) != 0)
            result.value.otherHost = book.url.host();
    }
    return result;
}

} // namespace carddav
