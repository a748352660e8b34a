#pragma once

#include <cerrno>

#include <QString>

class QSqlError;

// What a store operation reports. Engine errors keep SQLite's own code and text;
// the store's own refusals carry a Portuguese text of their own.
struct [[nodiscard]] StoreError {
    enum Kind {
        None,
        Engine,          // the database engine refused; see nativeCode and text
        NoCurrentRecord, // no row is current (empty table, past the end, after a delete)
        NotEditing,      // a field written or a row updated with no AddNew or Edit pending
        AddPending,      // an operation on the current row while a new row is being added
        NoSuchField,
        NoIndex,          // Seek without a chosen index, or an unknown index name
        BadComparison,    // Seek with a comparison other than "="
        Closed,           // the recordset was closed
        RowGone,          // the current row was deleted by other means
        ChangedElsewhere, // the row was changed by other means since it was read
        FileReplaced,     // the database file was deleted or replaced while open
        FileExists,       // creating a database over an existing file
        Io,               // the operating system refused a file operation
        Cancelled,        // the user stopped a long task, which changed nothing
    };

    // SQLite's primary result codes that the program tells apart.
    enum SqliteCode {
        SqlitePerm = 3,
        SqliteBusy = 5,
        SqliteLocked = 6,
        SqliteReadOnly = 8,
        SqliteIoErr = 10,
        SqliteCorrupt = 11,
        SqliteFull = 13,
        SqliteCantOpen = 14,
        SqliteAuth = 23,
        SqliteNotADb = 26,
    };

    Kind kind = None;
    int nativeCode = 0; // SQLite result code (extended when the engine gives one)
    QString text;

    bool isError() const { return kind != None; }
    explicit operator bool() const { return isError(); }
    // The primary SQLite result code (SQLITE_BUSY, SQLITE_READONLY, ...), 0 when none.
    int primaryCode() const { return nativeCode & 0xff; }
    // Why the file refused, in the user's words; empty when the code says nothing
    // the user can act on.
    QString reason() const;
    // The reason, between, the engine's text and after; the engine's text alone
    // when there is no reason to give.
    QString withReason(const QString& between, const QString& after = QString()) const;
    // The engine's text with the reason after it in parentheses: one line for
    // a message that names what failed first.
    QString explained() const { return withReason(QStringLiteral(" ("), QStringLiteral(")")); }

    static StoreError fromSql(const QSqlError& error);
    static StoreError make(Kind kind, const QString& text = QString());
    // A failed system call: its reason for err (errno by default) in the
    // user's words (systemerror::reason); a file already there is told apart.
    static StoreError fromErrno(int err = errno);
};

template <typename T> struct [[nodiscard]] StoreResult {
    T value{};
    StoreError error;
};
