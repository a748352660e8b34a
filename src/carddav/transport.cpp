#include "transport.h"

#include "davxml.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslError>

namespace carddav {

namespace {

constexpr int MaxRedirects = 5;

bool isLoopback(const QString& host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    QHostAddress address;
    return address.setAddress(host) && address.isLoopback();
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 307 || status == 308;
}

QByteArray plainFingerprint(QByteArray fingerprint)
{
    return fingerprint.replace(':', QByteArray()).replace(' ', QByteArray()).toLower();
}

Error error(Error::Kind kind, const QString& message, const QUrl& url, int status = 0)
{
    Error e;
    e.kind = kind;
    e.status = status;
    e.message = message;
    e.host = url.host();
    return e;
}

QString shown(const QUrl& url)
{
    return url.toDisplayString(QUrl::RemoveUserInfo);
}

} // namespace

Client::Private::Private(Account account)
    : account(std::move(account)), network(std::make_unique<QNetworkAccessManager>())
{
    // Basic credentials go with every request; another scheme (Digest) asks for
    // them, and is answered once: a second ask means they were refused.
    QObject::connect(network.get(), &QNetworkAccessManager::authenticationRequired, network.get(),
                     [this](QNetworkReply* reply, QAuthenticator* authenticator) {
                         if (reply != current || credentialsAnswered ||
                             this->account.user.isEmpty())
                             return;
                         credentialsAnswered = true;
                         authenticator->setUser(this->account.user);
                         authenticator->setPassword(this->account.password);
                     });
}

Error Client::Private::addressError(const QUrl& url) const
{
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        return error(Error::InsecureAddress,
                     QStringLiteral("Endereço inválido para um servidor: %1").arg(shown(url)), url);
    if (scheme == QLatin1String("http") && !isLoopback(url.host()))
        return error(
            Error::InsecureAddress,
            QStringLiteral("Endereço sem criptografia recusado: %1 (use https://)").arg(shown(url)),
            url);
    return {};
}

Response Client::Private::send(const Request& request)
{
    QUrl url = request.url;
    for (int redirects = 0;; ++redirects) {
        if (Error refused = addressError(url); !refused.ok()) {
            Response response;
            response.url = url;
            response.error = refused;
            return response;
        }
        QNetworkRequest nr(url);
        nr.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                        QNetworkRequest::ManualRedirectPolicy);
        nr.setTransferTimeout(timeout);
        nr.setHeader(QNetworkRequest::UserAgentHeader,
                     QByteArrayLiteral("Listrano/" LISTRANO_VERSION));
        if (!account.user.isEmpty())
            nr.setRawHeader(
                "Authorization",
                "Basic " +
                    (account.user + QLatin1Char(':') + account.password).toUtf8().toBase64());
        if (!request.body.isEmpty())
            nr.setHeader(QNetworkRequest::ContentTypeHeader, request.contentType);
        if (!request.depth.isEmpty())
            nr.setRawHeader("Depth", request.depth);
        for (const auto& [name, value] : request.headers)
            nr.setRawHeader(name, value);

        Response response = exchange(nr, request);
        if (!response.error.ok() || !isRedirect(response.status) || response.location.isEmpty())
            return response;
        const QUrl next = url.resolved(QUrl::fromEncoded(response.location));
        const bool sameHost = next.host().compare(url.host(), Qt::CaseInsensitive) == 0;
        const QString from = url.scheme().toLower();
        const QString to = next.scheme().toLower();
        const bool followed =
            (sameHost &&
             (from == to || (from == QLatin1String("http") && to == QLatin1String("https")))) ||
            (!sameHost && request.otherHostAllowed && from == QLatin1String("https") &&
             to == QLatin1String("https"));
        if (!followed) {
            response.error = error(Error::InsecureAddress,
                                   QStringLiteral("Redirecionamento recusado: de %1 para %2")
                                       .arg(shown(url), shown(next)),
                                   url, response.status);
            return response;
        }
        if (redirects == MaxRedirects) {
            response.error = error(
                Error::Protocol,
                QStringLiteral("Redirecionamentos demais a partir de %1").arg(shown(request.url)),
                url, response.status);
            return response;
        }
        url = next;
    }
}

Response Client::Private::exchange(const QNetworkRequest& nr, const Request& what)
{
    ++requests;
    credentialsAnswered = false;
    std::unique_ptr<QNetworkReply> reply(network->sendCustomRequest(nr, what.method, what.body));
    current = reply.get();
    const QUrl url = nr.url();
    QByteArray refusedFingerprint;
    QString certificateProblem;
    QObject::connect(
        reply.get(), &QNetworkReply::sslErrors, reply.get(), [&](const QList<QSslError>& errors) {
            QSslCertificate certificate = reply->sslConfiguration().peerCertificate();
            if (certificate.isNull() && !errors.isEmpty())
                certificate = errors.first().certificate();
            const QByteArray fingerprint = certificate.digest(QCryptographicHash::Sha256).toHex();
            const QByteArray trusted = account.trustedCertificates.value(url.host().toLower());
            if (!certificate.isNull() && plainFingerprint(trusted) == fingerprint) {
                reply->ignoreSslErrors(errors);
                return;
            }
            refusedFingerprint = fingerprint;
            certificateProblem = errors.isEmpty() ? QString() : errors.first().errorString();
        });
    if (!reply->isFinished()) {
        QEventLoop loop;
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    current = nullptr;

    Response response;
    response.url = url;
    response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->isReadable())
        response.body = reply->readAll();
    response.etag = reply->rawHeader("ETag");
    response.location = reply->rawHeader("Location");
    if (response.status > 0)
        return response;

    if (!refusedFingerprint.isEmpty()) {
        response.error =
            error(Error::Certificate,
                  QStringLiteral("Certificado do servidor não confiável: %1 (%2; "
                                 "SHA-256 %3)")
                      .arg(url.host(), certificateProblem, QString::fromLatin1(refusedFingerprint)),
                  url);
        response.error.fingerprint = refusedFingerprint;
    } else if (reply->error() == QNetworkReply::OperationCanceledError ||
               reply->error() == QNetworkReply::TimeoutError) {
        response.error = error(Error::Timeout,
                               QStringLiteral("O servidor parou de responder: %1 (nada em %2 s)")
                                   .arg(url.host())
                                   .arg(timeout / 1000.0),
                               url);
    } else {
        response.error = error(
            Error::Unreachable,
            QStringLiteral("Servidor inacessível: %1 (%2)").arg(url.host(), reply->errorString()),
            url);
    }
    return response;
}

Response Client::Private::propfind(const QUrl& url, const QByteArray& depth,
                                   const QStringList& properties, bool otherHostAllowed)
{
    Request request;
    request.method = "PROPFIND";
    request.url = url;
    request.depth = depth;
    request.body = davxml::propfind(properties);
    request.otherHostAllowed = otherHostAllowed;
    return send(request);
}

Error Client::Private::statusError(const Response& response, Subject subject) const
{
    const int status = response.status;
    const QUrl& url = response.url;
    if (status / 100 == 2)
        return {};
    switch (status) {
    case 401:
        return error(Error::Unauthorized,
                     QStringLiteral("O servidor recusou o usuário e a senha. Se o provedor só "
                                    "aceita entrar pelo navegador, crie uma senha de aplicativo "
                                    "e use-a aqui."),
                     url, status);
    case 403:
        return error(Error::Forbidden,
                     QStringLiteral("O servidor não permite esta operação: %1").arg(shown(url)),
                     url, status);
    case 404:
    case 410:
        return error(
            Error::NotFound,
            (subject == Subject::Card ? QStringLiteral("O cartão não existe mais no servidor: %1")
             : subject == Subject::Book
                 ? QStringLiteral("O catálogo de endereços não existe mais no servidor: %1")
                 : QStringLiteral("Endereço não encontrado no servidor: %1"))
                .arg(shown(url)),
            url, status);
    case 412:
        return error(
            Error::PreconditionFailed,
            QStringLiteral("O cartão mudou no servidor desde a última leitura: %1").arg(shown(url)),
            url, status);
    default:
        return error(Error::Protocol,
                     QStringLiteral("Resposta inesperada do servidor: HTTP %1 em %2")
                         .arg(status)
                         .arg(shown(url)),
                     url, status);
    }
}

Error Client::Private::protocolError(const Response& response, const QString& detail) const
{
    return error(
        Error::Protocol,
        QStringLiteral("Resposta ilegível do servidor: %1 (%2)").arg(shown(response.url), detail),
        response.url, response.status);
}

QUrl Client::Private::resolved(const QUrl& base, const QString& href)
{
    QUrl url = base.resolved(QUrl(href.trimmed(), QUrl::TolerantMode));
    url.setPath(canonicalHref(base, href), QUrl::StrictMode);
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

} // namespace carddav
