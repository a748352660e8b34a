#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The WebDAV bodies the client writes and the multistatus answers it reads.
// Element names are written "{namespace}local".
namespace carddav::davxml {

inline const QString Dav = QStringLiteral("DAV:");
inline const QString CardDav = QStringLiteral("urn:ietf:params:xml:ns:carddav");

inline QString dav(const char* local)
{
    return QLatin1Char('{') + Dav + QLatin1Char('}') + QLatin1String(local);
}
inline QString card(const char* local)
{
    return QLatin1Char('{') + CardDav + QLatin1Char('}') + QLatin1String(local);
}

// One property as answered: its own text, the hrefs inside it, and the names of
// every element inside it (a resource type, the reports a collection offers).
struct Property {
    QString text;
    QStringList hrefs;
    QSet<QString> elements;
};

// One response of a multistatus. status is the response's own status (0 when it
// has none, as when its properties each carry theirs); properties holds those a
// propstat answered with a 2xx status.
struct Response {
    QString href;
    int status = 0;
    QHash<QString, Property> properties;
};

struct Multistatus {
    QList<Response> responses;
    QString syncToken; // the report's own token, not a property
    QString error;     // why the body could not be read; empty when it could
};

Multistatus parseMultistatus(const QByteArray& body);
// The conditions named in a DAV:error body ("{DAV:}valid-sync-token").
QSet<QString> errorConditions(const QByteArray& body);
// 404 from "HTTP/1.1 404 Not Found"; 0 when there is no number.
int statusCode(const QString& statusLine);

QByteArray propfind(const QStringList& properties);
QByteArray syncCollection(const QString& token, const QStringList& properties);
QByteArray multiget(const QStringList& hrefs, const QStringList& properties);

} // namespace carddav::davxml
