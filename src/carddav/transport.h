#pragma once

#include "carddavclient.h"

#include <QList>
#include <QNetworkAccessManager>
#include <QPair>

class QNetworkReply;
class QNetworkRequest;

// One HTTP exchange at a time, blocking, under the client's rules: where plain
// http may go, which certificates pass, which redirects are followed, how the
// credentials are given.
namespace carddav {

struct Request {
    QByteArray method;
    QUrl url;
    QByteArray body;
    QByteArray contentType = "application/xml; charset=utf-8";
    QByteArray depth; // the Depth header, none when empty
    QList<QPair<QByteArray, QByteArray>> headers;
    bool otherHostAllowed = false; // a redirect over https to another host is followed
};

struct Response {
    int status = 0; // 0 when no answer came; error says why
    QByteArray body;
    QByteArray etag;
    QByteArray location; // of a redirect
    QUrl url;            // where the answer came from, after the redirects
    Error error;
};

// What a status speaks of, for its message.
enum class Subject { Book, Card, Server };

struct Client::Private {
    explicit Private(Account account);

    Response send(const Request& request);
    Response propfind(const QUrl& url, const QByteArray& depth, const QStringList& properties,
                      bool otherHostAllowed = false);
    // The error an answer's status stands for; None for a 2xx one.
    Error statusError(const Response& response, Subject subject) const;
    Error protocolError(const Response& response, const QString& detail) const;
    // href made absolute against base, its path in the canonical form.
    static QUrl resolved(const QUrl& base, const QString& href);

    Account account;
    std::unique_ptr<QNetworkAccessManager> network;
    int requests = 0;
    int timeout = 30000;

private:
    Error addressError(const QUrl& url) const;
    Response exchange(const QNetworkRequest& request, const Request& what);

    QNetworkReply* current = nullptr;
    bool credentialsAnswered = false;
};

} // namespace carddav
