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
// Each on its own, so that the engine reads one end of the table for each
// rather than the whole table for both.
const QString ExtentSql =
    QStringLiteral("SELECT (SELECT max(rowid) FROM %1), (SELECT min(rowid) FROM %1)");
constexpr qint64 MaxRoom = 8'000'000;
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

StoreResult<QStringList> TableRecordset::columnTexts(const QString& field, qsizetype expected)
{
    StoreResult<QStringList> r;
    r.value.reserve(expected);
    if ((r.error = checkOpen()) || (r.error = checkFile()))
        return r;
    if (columnOf(field) < 0) {
        r.error = noSuchField(field);
        return r;
    }
    const QString sql = ColumnSql.arg(quoted(field), quoted(m_table));
    // The engine's own statement when the driver hands out its connection: Qt's
    // row-by-row values cost more than the reading itself.
    const QVariant handle = m_db.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        sqlite3* db = *static_cast<sqlite3* const*>(handle.constData());
        sqlite3_stmt* statement = nullptr;
        int rc = sqlite3_prepare_v3(db, sql.toUtf8().constData(), -1, 0, &statement, nullptr);
        while (rc == SQLITE_OK || rc == SQLITE_ROW) {
            if ((rc = sqlite3_step(statement)) != SQLITE_ROW)
                break;
            if (sqlite3_column_type(statement, 0) == SQLITE_NULL)
                continue;
            const void* text = sqlite3_column_text16(statement, 0);
            const int bytes = sqlite3_column_bytes16(statement, 0);
            r.value.append(QString(static_cast<const QChar*>(text), bytes / 2));
        }
        if (rc != SQLITE_DONE) {
            r.error = StoreError::make(StoreError::Engine, QString::fromUtf8(sqlite3_errmsg(db)));
            r.error.nativeCode = sqlite3_extended_errcode(db);
            r.value.clear();
        }
        sqlite3_finalize(statement);
        // Room made for rows long deleted is given back.
        if (r.value.capacity() > 2 * r.value.size() + 1024)
            r.value.squeeze();
        return r;
    }
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
        r.value.clear();
    return r;
}
