#include "carddavclient.h"

#include "davxml.h"
#include "transport.h"

#include <QSet>

namespace carddav {

namespace {

constexpr int MultigetBatch = 100;

QString canonicalPath(const QString& encodedPath)
{
    QStringList segments = encodedPath.split(QLatin1Char('/'));
    for (QString& segment : segments)
        segment = QString::fromLatin1(
            QUrl::toPercentEncoding(QUrl::fromPercentEncoding(segment.toUtf8())));
    return segments.join(QLatin1Char('/'));
}

// A collection's href with and without its closing slash is the same one.
bool sameCollection(const QString& href, const QString& collection)
{
    auto open = [](const QString& path) {
        return path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path;
    };
    return open(href) == open(collection);
}

bool isCollection(const davxml::Response& response)
{
    return response.properties.value(davxml::dav("resourcetype"))
        .elements.contains(davxml::dav("collection"));
}

QByteArray etagOf(const davxml::Response& response)
{
    return response.properties.value(davxml::dav("getetag")).text.trimmed().toUtf8();
}

template <class T> Result<T> failed(const Error& error)
{
    Result<T> result;
    result.error = error;
    return result;
}

} // namespace

QString canonicalHref(const QUrl& base, const QString& href)
{
    const QUrl url = base.resolved(QUrl(href.trimmed(), QUrl::TolerantMode));
    return canonicalPath(url.path(QUrl::FullyEncoded));
}

Client::Client(Account account) : d(std::make_unique<Private>(std::move(account))) {}
Client::~Client() = default;
Client::Client(Client&&) noexcept = default;
Client& Client::operator=(Client&&) noexcept = default;

int Client::requests() const
{
    return d->requests;
}

void Client::setTimeout(int milliseconds)
{
    d->timeout = milliseconds;
}

QString Client::hrefFor(const QUrl& book, const QString& uid) const
{
    QString path = canonicalHref(book, QString());
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + QString::fromLatin1(QUrl::toPercentEncoding(uid)) + QLatin1String(".vcf");
}

Error Client::check(const QUrl& book)
{
    const Response response =
        d->propfind(Private::resolved(book, QString()), "0", {davxml::dav("resourcetype")});
    if (!response.error.ok())
        return response.error;
    return d->statusError(response, Subject::Book);
}

Result<QString> Client::syncToken(const QUrl& book)
{
    const Response response =
        d->propfind(Private::resolved(book, QString()), "0", {davxml::dav("sync-token")});
    if (!response.error.ok())
        return failed<QString>(response.error);
    if (Error e = d->statusError(response, Subject::Book); !e.ok())
        return failed<QString>(e);
    const davxml::Multistatus answer = davxml::parseMultistatus(response.body);
    if (!answer.error.isEmpty())
        return failed<QString>(d->protocolError(response, answer.error));
    Result<QString> result;
    if (!answer.responses.isEmpty())
        result.value =
            answer.responses.first().properties.value(davxml::dav("sync-token")).text.trimmed();
    return result;
}

Result<QList<Entry>> Client::listing(const QUrl& book)
{
    const QUrl url = Private::resolved(book, QString());
    const Response response =
        d->propfind(url, "1", {davxml::dav("resourcetype"), davxml::dav("getetag")});
    if (!response.error.ok())
        return failed<QList<Entry>>(response.error);
    if (Error e = d->statusError(response, Subject::Book); !e.ok())
        return failed<QList<Entry>>(e);
    const davxml::Multistatus answer = davxml::parseMultistatus(response.body);
    if (!answer.error.isEmpty())
        return failed<QList<Entry>>(d->protocolError(response, answer.error));
    Result<QList<Entry>> result;
    const QString own = url.path(QUrl::FullyEncoded);
    for (const davxml::Response& member : answer.responses) {
        const QString href = canonicalHref(response.url, member.href);
        if (sameCollection(href, own) || isCollection(member) ||
            !member.properties.contains(davxml::dav("getetag")))
            continue;
        result.value << Entry{href, etagOf(member)};
    }
    return result;
}

Result<Changes> Client::changesSince(const QUrl& book, const QString& token)
{
    const QUrl url = Private::resolved(book, QString());
    const QString own = url.path(QUrl::FullyEncoded);
    // A member changed, then removed in a later part of a truncated answer, is
    // removed; the last word on each href counts.
    QStringList order;
    QHash<QString, QByteArray> changed;
    QSet<QString> removed;
    QString from = token;
    for (;;) {
        Request request;
        request.method = "REPORT";
        request.url = url;
        request.depth = "0";
        request.body = davxml::syncCollection(from, {davxml::dav("getetag")});
        const Response response = d->send(request);
        if (!response.error.ok())
            return failed<Changes>(response.error);
        if ((response.status == 403 || response.status == 409) &&
            davxml::errorConditions(response.body).contains(davxml::dav("valid-sync-token"))) {
            Error e = d->statusError(response, Subject::Book);
            e.kind = Error::InvalidSyncToken;
            e.message = QStringLiteral("O servidor não aceita mais a marca da última "
                                       "sincronização; é preciso comparar o catálogo inteiro: %1")
                            .arg(url.toDisplayString(QUrl::RemoveUserInfo));
            return failed<Changes>(e);
        }
        if (Error e = d->statusError(response, Subject::Book); !e.ok())
            return failed<Changes>(e);
        const davxml::Multistatus answer = davxml::parseMultistatus(response.body);
        if (!answer.error.isEmpty())
            return failed<Changes>(d->protocolError(response, answer.error));

        bool truncated = false;
        for (const davxml::Response& member : answer.responses) {
            const QString href = canonicalHref(response.url, member.href);
            if (sameCollection(href, own)) {
                truncated = truncated || member.status == 507;
                continue;
            }
            if (href.endsWith(QLatin1Char('/')))
                continue;
            const bool known = changed.contains(href) || removed.contains(href);
            if (member.status == 404) {
                changed.remove(href);
                removed.insert(href);
            } else if (member.status == 0 || member.status / 100 == 2) {
                removed.remove(href);
                changed.insert(href, etagOf(member));
            } else {
                continue;
            }
            if (!known)
                order << href;
        }
        if (!truncated) {
            from = answer.syncToken;
            break;
        }
        if (answer.syncToken.isEmpty() || answer.syncToken == from)
            return failed<Changes>(
                d->protocolError(response, QStringLiteral("resposta cortada sem nova marca")));
        from = answer.syncToken;
    }
    Result<Changes> result;
    result.value.token = from;
    for (const QString& href : std::as_const(order)) {
        if (removed.contains(href))
            result.value.removed << href;
        else if (changed.contains(href))
            result.value.changed << Entry{href, changed.value(href)};
    }
    return result;
}

Result<QList<Fetched>> Client::fetch(const QUrl& book, const QStringList& hrefs)
{
    const QUrl url = Private::resolved(book, QString());
    Result<QList<Fetched>> result;
    for (qsizetype start = 0; start < hrefs.size(); start += MultigetBatch) {
        QStringList batch;
        for (const QString& href : hrefs.mid(start, MultigetBatch))
            batch << canonicalHref(url, href);
        Request request;
        request.method = "REPORT";
        request.url = url;
        request.depth = "0";
        request.body =
            davxml::multiget(batch, {davxml::dav("getetag"), davxml::card("address-data")});
        const Response response = d->send(request);
        if (!response.error.ok())
            return failed<QList<Fetched>>(response.error);
        if (Error e = d->statusError(response, Subject::Book); !e.ok())
            return failed<QList<Fetched>>(e);
        const davxml::Multistatus answer = davxml::parseMultistatus(response.body);
        if (!answer.error.isEmpty())
            return failed<QList<Fetched>>(d->protocolError(response, answer.error));
        for (const davxml::Response& member : answer.responses) {
            const auto data = member.properties.constFind(davxml::card("address-data"));
            if (member.status == 404 || data == member.properties.constEnd())
                continue;
            // XML reads a card's CR LF as LF; the card gets its line breaks back.
            QByteArray card = data->text.toUtf8();
            card.replace("\r\n", "\n").replace("\n", "\r\n");
            result.value << Fetched{canonicalHref(response.url, member.href), etagOf(member), card};
        }
    }
    return result;
}

Result<QByteArray> Client::put(const QString& href, const QByteArray& card,
                               const QByteArray& ifMatch)
{
    Request request;
    request.method = "PUT";
    request.url = Private::resolved(d->account.url, href);
    request.body = card;
    request.contentType = "text/vcard; charset=utf-8";
    if (ifMatch.isEmpty())
        request.headers << qMakePair(QByteArray("If-None-Match"), QByteArray("*"));
    else
        request.headers << qMakePair(QByteArray("If-Match"), QByteArray(ifMatch));
    const Response response = d->send(request);
    if (!response.error.ok())
        return failed<QByteArray>(response.error);
    if (Error e = d->statusError(response, Subject::Card); !e.ok())
        return failed<QByteArray>(e);
    Result<QByteArray> result;
    result.value = response.etag;
    return result;
}

Error Client::remove(const QString& href, const QByteArray& ifMatch)
{
    Request request;
    request.method = "DELETE";
    request.url = Private::resolved(d->account.url, href);
    if (!ifMatch.isEmpty())
        request.headers << qMakePair(QByteArray("If-Match"), QByteArray(ifMatch));
    const Response response = d->send(request);
    if (!response.error.ok())
        return response.error;
    return d->statusError(response, Subject::Card);
}

} // namespace carddav
