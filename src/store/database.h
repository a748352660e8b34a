#pragma once

#include "storeerror.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>

// Opening and creating the contact database file.
namespace database {

// SQLite URI that opens an existing file for reading and writing and never creates one.
QString openUri(const QString& path);

// The form a book's texts are in, kept in the file's user_version. Before 1, an
// empty masked field may be stored as its mask's placeholders ("__.___-___");
// from 1 on it is an empty text. createEmpty makes books of the current form.
constexpr int BookVersion = 1;

// Which file a path names: a file deleted, or replaced by another under the same
// name, is told apart from the one opened. None when nothing is at the path.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileIdentity& other) const
    {
        return device == other.device && inode == other.inode;
    }
};
std::optional<FileIdentity> fileIdentity(const QString& path);

// What checkAhead found: the file it found sound, as it stood then. A connection
// to that very file, unchanged since, may skip its check of the file's pages,
// which takes long on a large book. It vouches for no other file, nor for the
// same one once it has changed; a default one vouches for nothing.
class CheckedFile {
public:
    CheckedFile() = default;
    bool vouchesFor(const QString& path) const;

private:
    friend StoreResult<CheckedFile> checkAhead(const QString& path);
    struct State {
        QString path;
        FileIdentity identity;
        quint64 size = 0;
        qint64 modifiedNs = 0;
        bool operator==(const State& other) const;
    };
    static std::optional<State> stateOf(const QString& path);
    std::optional<State> m_state;
};

// A named connection to a contact database, open while the object lives. The
// constructor adds the connection and opens the file at path with the program's
// settings (rollback journal, full sync, busy timeout), then checks that it is a
// sound SQLite database unless checked vouches for the file as it is now; on any
// failure the connection is removed again and error() tells why. The destructor
// closes and removes it: whatever uses it (queries, recordsets, copies of db())
// must be gone by then.
// With BringUpToDate, a book of an older form is brought to the current one
// first, in one transaction: each masked field holding only its mask's
// placeholders becomes an empty text, and nothing else changes. A book that
// cannot be written now (read-only file or folder, another writer keeping it
// locked past the busy timeout) opens as it is, to be brought up at a later
// open. AsItIs changes nothing in the file.
class Connection {
public:
    enum Upgrade { BringUpToDate, AsItIs };

    Connection(const QString& path, const QString& name, const CheckedFile& checked = {},
               Upgrade upgrade = BringUpToDate);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const StoreError& error() const { return m_error; }
    bool isOpen() const { return m_added; }
    // The open connection (an invalid one when it did not open).
    QSqlDatabase db() const;
    const QString& name() const { return m_name; }

private:
    void remove();

    QString m_name;
    bool m_added = false;
    StoreError m_error;
};

// Checks that the file at path is a sound contact database: it opens, and its
// contact table has every field of the record. Leaves nothing open.
StoreError checkContactFile(const QString& path);

// The same check made ahead of time, on any thread (on a connection of its own).
// When the file is sound and stood still through the check, the result vouches
// for it: handed to the Connection that opens that file next, it spares that
// open the same check.
StoreResult<CheckedFile> checkAhead(const QString& path);

// Columns of table, in their stored order; fails with the engine's text when the
// table is missing or cannot be read by row id.
StoreError tableColumns(const QSqlDatabase& db, const QString& table, QStringList* columns);

// Creates a new, empty contact database at path from the project's schema, of the
// current BookVersion, readable and writable by its owner only. Never touches an
// existing file.
StoreError createEmpty(const QString& path);

// The schema statements, in order.
QStringList schemaStatements();

// Quotes an identifier for use in a statement (identifiers cannot be bound).
QString quoted(const QString& identifier);

// One IMMEDIATE transaction on db, begun by the constructor (error() tells when it
// could not be): commit() ends it, and a transaction that ends uncommitted, or
// whose commit fails, is rolled back, so that nothing of a failed write remains.
// Statements run in it must be finished before it ends.
class Transaction {
public:
    explicit Transaction(const QSqlDatabase& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    const StoreError& error() const { return m_error; }
    StoreError commit();

private:
    QSqlDatabase m_db;
    bool m_pending = false;
    StoreError m_error;
};

// Runs work in one Transaction on db: committed when work succeeds, rolled back
// on any failure.
StoreError inTransaction(const QSqlDatabase& db, const std::function<StoreError(QSqlQuery&)>& work);

// The columns quoted, between commas: a statement's column list.
QString columnList(const QStringList& columns);

// The statement that adds one row to table, its columns' values bound in order.
QString insertSql(const QString& table, const QStringList& columns);

// A text as it is stored: an empty text, never a null (a null QString would be
// bound as a database null).
QVariant storedText(const QString& text);

// How many transactions (Transaction) have begun in this process, on any
// connection: a reader that saw the same count twice knows that nothing was
// written through the program in between.
quint64 writesBegun();

// Runs sql on db as a prepared statement with the given values bound in order.
StoreError exec(QSqlQuery& query, const QString& sql, const QVariantList& values = {});

// How many rows table holds.
StoreResult<qint64> rowCount(const QSqlDatabase& db, const QString& table);

} // namespace database
