#pragma once

#include "storeerror.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

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

// Adds the connection and opens the file at path with the program's settings
// (rollback journal, full sync, busy timeout), then checks that it is a sound
// SQLite database. On failure the connection is removed again.
// A book of an older form is brought to the current one first, in one
// transaction: each masked field holding only its mask's placeholders becomes
// an empty text, and nothing else changes. A book that cannot be written now
// (read-only file or folder, another writer keeping it locked past the busy
// timeout) opens as it is, to be brought up at a later open.
StoreError open(const QString& path, const QString& connectionName);

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

// Checks that the file at path is a sound contact database: it opens, and its
// contact table has every field of the record. Leaves nothing open.
StoreError checkContactFile(const QString& path);

// The same check made ahead of time, on any thread (on a connection of its own):
// when the file is sound, the next open() of that very file, unchanged since,
// skips its check of the file's pages, which takes long on a large book.
StoreError checkAhead(const QString& path);

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

// Runs work in one IMMEDIATE transaction on db: committed when work succeeds,
// rolled back on any failure, so that nothing of a failed write remains.
StoreError inTransaction(const QSqlDatabase& db, const std::function<StoreError(QSqlQuery&)>& work);

// How many transactions inTransaction has begun in this process, on any
// connection: a reader that saw the same count twice knows that nothing was
// written through the program in between.
quint64 writesBegun();

// Runs sql on db as a prepared statement with the given values bound in order.
StoreError exec(QSqlQuery& query, const QString& sql, const QVariantList& values = {});

// How many rows table holds.
StoreResult<qint64> rowCount(const QSqlDatabase& db, const QString& table);

} // namespace database
