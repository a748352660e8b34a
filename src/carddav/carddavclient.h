#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>

// A client of a CardDAV address book server: discovery, the changes since a
// sync token, listing, reading and writing cards. Every call blocks until its
// answer is in, running a local event loop, so it serves the command line and a
// worker thread alike; a Client is used in the thread that made it.
namespace carddav {

struct Error {
    enum Kind {
        None,
        Unreachable,
        Unauthorized,
        Forbidden,
        NotFound,
        Certificate,
        PreconditionFailed,
        InvalidSyncToken,
        InsecureAddress,
        Protocol,
        Timeout
    };
    Kind kind = None;
    int status = 0;         // the HTTP status, when an answer came
    QString message;        // in Portuguese, the reason first
    QString host;           // the server it concerns
    QByteArray fingerprint; // SHA-256 of a refused certificate, lowercase hex
    bool ok() const { return kind == None; }
};

template <class T> struct Result {
    T value{};
    Error error;
    bool ok() const { return error.ok(); }
};

struct Account {
    QUrl url; // a server, a principal, an address book, or a bare domain ("exemplo.com.br")
    QString user;
    QString password;
    QHash<QString, QByteArray> trustedCertificates; // host -> SHA-256 in hex
};

struct AddressBook {
    QUrl url;
    QString displayName;
    bool syncCollection = false; // the server offers the sync-collection report
};

struct Discovery {
    QList<AddressBook> books;
    QString otherHost; // set when a redirect moved the search to another host over https
};

struct Entry {
    QString href;
    QByteArray etag;
};

struct Changes {
    QList<Entry> changed;
    QStringList removed;
    QString token;
};

struct Fetched {
    QString href;
    QByteArray etag;
    QByteArray card;
};

// The canonical form of a card's href: the absolute path on the server, every
// octet but letters, digits and "-._~" percent-encoded. A relative href is taken
// from base; an absolute URL, a path, encoded or not, all give the same text.
QString canonicalHref(const QUrl& base, const QString& href);

class Client {
public:
    explicit Client(Account account);
    ~Client();
    Client(Client&&) noexcept;
    Client& operator=(Client&&) noexcept;

    // The address books reachable from the account's address (RFC 6764).
    Result<Discovery> discover();
    // One authenticated request to the book: is it there, may we read it.
    Error check(const QUrl& book);
    // The members changed and removed since token (empty: every member).
    Result<Changes> changesSince(const QUrl& book, const QString& token);
    // Every card of the book with its ETag.
    Result<QList<Entry>> listing(const QUrl& book);
    // The book's current sync token, empty when it has none.
    Result<QString> syncToken(const QUrl& book);
    // The cards at hrefs; one the server no longer has is left out.
    Result<QList<Fetched>> fetch(const QUrl& book, const QStringList& hrefs);
    // Writes card at href, over the version ifMatch, or as a new card when ifMatch
    // is empty. The value is the new ETag, empty when the server gave none. An
    // href that is a path is taken on the server of the account's address.
    Result<QByteArray> put(const QString& href, const QByteArray& card, const QByteArray& ifMatch);
    Error remove(const QString& href, const QByteArray& ifMatch);
    // Where a new card with this UID goes in book.
    QString hrefFor(const QUrl& book, const QString& uid) const;

    // How many HTTP requests were sent so far (a request sent again with the
    // credentials a server asked for counts once).
    int requests() const;
    // How long a request may go without progress (30 s unless told).
    void setTimeout(int milliseconds);

    struct Private;

private:
    std::unique_ptr<Private> d;
};

} // namespace carddav
