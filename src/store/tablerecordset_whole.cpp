#include "tablerecordset.h"

#include "database.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

// The recordset's reads of the whole table at once, for the name list.

using database::exec;
using database::quoted;

namespace {
// The table itself walked in row id order: no index and no sorting (a WHERE on
// the column would lead the engine to its index, and then to sort a million rows).
const QString ColumnSql = QStringLiteral("SELECT %1 FROM %2 NOT INDEXED ORDER BY rowid");
// The column with each row's id, in whatever order the engine reads it fastest:
// through an index over the column when there is one, which holds the column and
// the row ids alone and so is a fraction of the table's size. The rows are put
// back in row id order after.
const QString GatherSql = QStringLiteral("SELECT rowid, %1 FROM %2");
// Each on its own, so that the engine reads one end of the table for each
// rather than the whole table for both.
const QString ExtentSql =
    QStringLiteral("SELECT (SELECT max(rowid) FROM %1), (SELECT min(rowid) FROM %1)");
// Changes when another connection commits to the file.
const QString DataVersionSql = QStringLiteral("PRAGMA data_version");
constexpr qint64 MaxRoom = 8'000'000;
// What a name takes in the block, on the whole, to make room for the rows expected.
constexpr qsizetype NameBytes = 32;
} // namespace

StoreResult<TableRecordset::Extent> TableRecordset::extent()
{
    StoreResult<Extent> r;
    if ((r.error = checkOpen()) || (r.error = checkFile()))
        return r;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if ((r.error = exec(q, ExtentSql.arg(quoted(m_table)))))
        return r;
    if (q.next() && !q.isNull(0)) {
        r.value.empty = false;
        // Row ids from the lowest to the highest leave room for every row; far
        // apart (rows given ids by other means), they say nothing useful.
        const qint64 span = q.value(0).toLongLong() - q.value(1).toLongLong() + 1;
        r.value.room = span > 0 && span <= MaxRoom ? span : 0;
    }
    return r;
}

StoreResult<QByteArray> TableRecordset::contentStamp()
{
    StoreResult<QByteArray> r;
    if ((r.error = checkOpen()) || (r.error = checkFile()))
        return r;
    // The count first: a write of this program's own that begins after it makes
    // the next stamp differ however the version reads.
    const quint64 writes = database::writesBegun();
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if ((r.error = exec(q, DataVersionSql)))
        return r;
    if (!q.next()) {
        r.error = StoreError::fromSql(q.lastError());
        if (!r.error)
            r.error = StoreError::make(StoreError::Engine, QStringLiteral("no data_version"));
        return r;
    }
    r.value = QStringLiteral("%1\n%2\n%3\n%4")
                  .arg(m_db.connectionName(), m_table)
                  .arg(writes)
                  .arg(q.value(0).toLongLong())
                  .toUtf8();
    return r;
}

StoreResult<NameBlock> TableRecordset::columnTexts(const QString& field, qsizetype expected)
{
    StoreResult<NameBlock> r;
    if ((r.error = checkOpen()) || (r.error = checkFile()))
        return r;
    if (columnOf(field) < 0) {
        r.error = noSuchField(field);
        return r;
    }
    const QString sql = ColumnSql.arg(quoted(field), quoted(m_table));
    // The engine's own statement when the driver hands out its connection: Qt's
    // row-by-row values cost more than the reading itself. Its UTF-8 goes into
    // the block as it is, unless Qt would decode it otherwise than the engine
    // (as the driver reads it): then the engine's UTF-16 goes in.
    const QVariant handle = m_db.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        sqlite3* db = *static_cast<sqlite3* const*>(handle.constData());
        sqlite3_stmt* statement = nullptr;
        NameBlock::Check check;
        NameBlock::Gathered rows;
        rows.reserve(expected, expected * NameBytes);
        const QByteArray gather = GatherSql.arg(quoted(field), quoted(m_table)).toUtf8();
        int rc = sqlite3_prepare_v3(db, gather.constData(), -1, 0, &statement, nullptr);
        while (rc == SQLITE_OK || rc == SQLITE_ROW) {
            if ((rc = sqlite3_step(statement)) != SQLITE_ROW)
                break;
            // No text for a null, left out, nor for memory run out.
            const auto* text = static_cast<const char*>(
                static_cast<const void*>(sqlite3_column_text(statement, 1)));
            if (!text && sqlite3_column_type(statement, 1) != SQLITE_NULL) {
                rc = SQLITE_NOMEM;
                break;
            }
            if (!text)
                continue;
            const qint64 rowid = sqlite3_column_int64(statement, 0);
            const int bytes = sqlite3_column_bytes(statement, 1);
            if (check.keepsBytes(text, bytes)) {
                rows.appendUtf8(rowid, text, bytes);
            } else {
                const auto* text16 =
                    static_cast<const char16_t*>(sqlite3_column_text16(statement, 1));
                rows.append(rowid, QStringView(text16, sqlite3_column_bytes16(statement, 1) / 2));
            }
        }
        if (rc != SQLITE_DONE) {
            r.error = StoreError::make(StoreError::Engine, QString::fromUtf8(sqlite3_errmsg(db)));
            r.error.nativeCode = sqlite3_extended_errcode(db);
        }
        sqlite3_finalize(statement);
        if (!r.error)
            r.value = rows.take(); // made to its size: nothing to give back
        return r;
    }
    r.value.reserve(expected, expected * NameBytes);
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if ((r.error = exec(q, sql)))
        return r;
    while (q.next()) {
        if (!q.isNull(0))
            r.value.append(q.value(0).toString());
    }
    r.error = StoreError::fromSql(q.lastError());
    if (r.error)
        r.value = {};
    r.value.squeeze();
    return r;
}
