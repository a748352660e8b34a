#pragma once

#include "contactrecord.h"
#include "storeerror.h"

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <optional>

// What a book keeps of its synchronisation with an address book on a server, in
// tables of its own beside the contact table, which stays as it is. A book
// never set up holds none of them.
namespace syncstate {

struct Account {
    QString serverUrl; // as the user gave it
    QString user;
    QString bookUrl;     // the address book found there
    QString bookName;    // its display name
    QString syncToken;   // the server's, after the last sync; empty before the first
    bool synced = false; // a first sync has completed
    QString lastSync;    // ISO date and time of the last sync that ended, with its summary
    QString lastSummary;
    QString lastError;
};

// A contact paired with a card on the server.
struct Link {
    qint64 row = 0;  // the contact's row id, as of the last sync
    QString href;    // the card's address on the server
    QByteArray etag; // empty: sent, and the answer not known (see pending)
    QString uid;
    QString card;           // the card as last synchronised, whole
    contact::Record fields; // the contact's seventeen values right after the last sync
    bool pending = false;   // a new card sent whose answer never came
};

// One change of the contact table logged since the last sync: by any program,
// through triggers kept in the file.
struct Change {
    qint64 seq = 0;
    qint64 row = 0;
    enum Kind { Inserted, Updated, Deleted } kind = Updated;
    contact::Record before; // Updated and Deleted
    contact::Record after;  // Inserted and Updated
};

// Whether the book at db is set up.
StoreResult<bool> isSetUp(const QSqlDatabase& db);
// Creates the tables and triggers and stores the account, in one transaction;
// an account already there is replaced with its links.
StoreError setUp(const QSqlDatabase& db, const Account& account);
// Drops every table and trigger setUp made; the contacts stay.
StoreError tearDown(const QSqlDatabase& db);

StoreResult<Account> account(const QSqlDatabase& db);
StoreError saveToken(QSqlQuery& q, const QString& token);
StoreError markSynced(QSqlQuery& q, const QString& when, const QString& summary);
StoreError saveError(const QSqlDatabase& db, const QString& when, const QString& error);

StoreResult<QList<Link>> links(const QSqlDatabase& db);
// Adds or replaces the link of href.
StoreError saveLink(QSqlQuery& q, const Link& link);
StoreError dropLink(QSqlQuery& q, const QString& href);

// The changes logged, in order, and the last one's number (0 when none).
StoreResult<QList<Change>> changes(const QSqlDatabase& db);
// Forgets the changes up to seq, but those of the rows in keep: they have been
// taken into account.
StoreError forgetChanges(QSqlQuery& q, qint64 upTo, const QList<qint64>& keep = {});
// Forgets the changes after seq: the sync's own writes.
StoreError forgetChangesAfter(QSqlQuery& q, qint64 seq);
// Forgets the changes of one row up to seq: its link holds them now.
StoreError forgetRowChanges(QSqlQuery& q, qint64 row, qint64 upTo);
// The last change's number now: what a write is about to log comes after it.
StoreResult<qint64> lastChange(QSqlQuery& q);

// The contacts now, by row id.
struct Row {
    qint64 row = 0;
    contact::Record fields;
};
StoreResult<QList<Row>> rows(const QSqlDatabase& db);
StoreResult<std::optional<contact::Record>> rowAt(QSqlQuery& q, qint64 row);

// The contact table's own writes, bound to what the row held: none touches a
// row that changed since it was read (false then).
StoreResult<qint64> insertRow(QSqlQuery& q, const contact::Record& fields);
StoreResult<bool> updateRow(QSqlQuery& q, qint64 row, const contact::Record& was,
                            const contact::Record& now);
StoreResult<bool> deleteRow(QSqlQuery& q, qint64 row, const contact::Record& was);

// A record as the JSON array kept in the tables, and back (null as empty).
QString toJson(const contact::Record& fields);
contact::Record fromJson(const QString& json);

} // namespace syncstate
