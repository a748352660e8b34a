#pragma once

#include "carddavclient.h"
#include "storeerror.h"
#include "syncstate.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// Linking a book to an address book on a server and unlinking it, the same for
// the command line and the desktop. These touch no keyring: the caller keeps
// the password (syncpassword::keep) once the book is linked.
namespace syncsetup {

struct Request {
    QString address; // as the user gave it: a server, a principal, a book or a domain
    QString user;    // empty: the one in the address, if any
    QString password;
    QString addressBook;     // which of several books: its name, folder or address
    QString passwordCommand; // kept in the user's settings
    QHash<QString, QByteArray> trustCertificates; // host -> SHA-256 (hex, any case, colons)
};

struct Result {
    enum Problem {
        None,
        NoUser,        // no user given, none in the address
        AlreadyLinked, // account holds the book's present account
        Server,        // the server refused or did not answer: error
        NoSuchBook,    // addressBook names none of books
        NoBook,        // the server has none for the user
        SeveralBooks,  // books holds them: one must be chosen
        Store          // the book or the settings refused: message
    };
    Problem problem = None;
    QString message; // Portuguese, as a clause: the caller adds the capital and its hints
    carddav::Error error;
    QList<carddav::AddressBook> books; // the ones found
    QString otherHost;                 // the search was redirected to this host
    syncstate::Account account;        // the one linked, or the one already there
    bool ok() const { return problem == None; }
};

// The server's address as given, without a user in it, and the user: the one
// given, else the address's.
std::pair<QUrl, QString> addressAndUser(const QString& address, const QString& user);

// The address books found for the request (no book is touched).
Result discover(const Request& request);
// What --sync-setup does: finds the book to use and checks it, links the book
// file to it and keeps the password command and trusted certificates in the
// user's settings.
Result setUp(const QString& book, const Request& request);
// What --sync-off does: unlinks the book and forgets its settings; the
// contacts stay. The account that was linked, or none.
StoreResult<std::optional<syncstate::Account>> turnOff(const QString& book);

// The book's account; none when it is not set up.
StoreResult<std::optional<syncstate::Account>> linkedAccount(const QString& book);
// A client for a sync of account, with its trusted certificates.
carddav::Account clientAccount(const syncstate::Account& account, const QString& password);
// Trusts a certificate of host for the account from now on.
StoreError trust(const QString& url, const QString& user, const QString& host,
                 const QByteArray& sha256);

// "  Contatos (https://…/ana/contatos/)", one line each.
QString bookList(const QList<carddav::AddressBook>& books);
// The name a book is shown with: its display name, else its folder.
QString bookName(const carddav::AddressBook& book);

} // namespace syncsetup
