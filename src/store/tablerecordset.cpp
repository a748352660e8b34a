#include "tablerecordset.h"

#include "contactrecord.h"
#include "database.h"

#include <QSqlError>
#include <QSqlQuery>

using database::exec;
using database::quoted;

namespace {
const QString RowSql = QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?");
// The row is written only while it still holds what was read from it.
const QString UpdateSql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ? AND %3");
const QString ExistsSql = QStringLiteral("SELECT 1 FROM %1 WHERE rowid = ?");
// ...and deleted only while it does.
const QString DeleteSql = QStringLiteral("DELETE FROM %1 WHERE rowid = ? AND %2");
const QString IndexOwnerSql = QStringLiteral(
    "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ? AND tbl_name = ?");
const QString IndexColumnsSql =
    QStringLiteral("SELECT name FROM pragma_index_info(?) ORDER BY seqno");
// A seek mostly wants one row, or the few equal to it: a short first batch,
// and whole ones after it if the walk goes on.
const int SeekBatchSize = 16;
const QString IndexProbeSql = QStringLiteral("SELECT rowid FROM %1 INDEXED BY %2 LIMIT 0");
} // namespace

TableRecordset::TableRecordset(const QSqlDatabase& db, const QString& table,
                               const QStringList& columns, FileCheck fileCheck)
    : m_db(db), m_table(table), m_columns(columns), m_fileCheck(std::move(fileCheck))
{
    const int name = columnOf(contact::column(contact::Nome));
    if (name >= 0)
        m_cursorColumn = m_columns.at(name);
}

TableRecordset::~TableRecordset()
{
    Close();
}

int TableRecordset::columnOf(const QString& field) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).compare(field, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

StoreError TableRecordset::checkOpen() const
{
    return m_open ? StoreError() : StoreError::make(StoreError::Closed);
}

StoreError TableRecordset::checkFile() const
{
    if (StoreError e = checkOpen())
        return e;
    return m_fileCheck ? m_fileCheck() : StoreError();
}

// The current row can be acted on: the recordset is open, a row is current, and
// no new row is being added in its place.
StoreError TableRecordset::checkCurrentRow() const
{
    if (StoreError e = checkOpen())
        return e;
    if (m_editMode == EditAdd)
        return StoreError::make(StoreError::AddPending);
    if (!m_hasCurrent)
        return StoreError::make(StoreError::NoCurrentRecord);
    return {};
}

StoreError TableRecordset::noSuchField(const QString& field) const
{
    return StoreError::make(
        StoreError::NoSuchField,
        QStringLiteral("O campo \"%1\" não existe na tabela %2.").arg(field, m_table));
}

void TableRecordset::abandonEdit()
{
    m_editMode = EditNone;
    m_buffer.clear();
}

void TableRecordset::dropBatch()
{
    m_batch.clear();
    m_batchPos = 0;
    m_batchIsLast = false;
}

QString TableRecordset::orderedSelect() const
{
    QString columns = QStringLiteral("rowid");
    if (!m_cursorColumn.isEmpty())
        columns += QStringLiteral(", ") + quoted(m_cursorColumn);
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(columns, quoted(m_table));
    if (!m_index.isEmpty())
        sql += QStringLiteral(" INDEXED BY ") + quoted(m_index);
    return sql;
}

// Reads the next batch of rows in the recordset's order, from those that where
// lets through.
StoreError TableRecordset::loadBatch(const QString& where, const QVariantList& values, int limit)
{
    dropBatch();
    const QString order = m_keyColumn.isEmpty()
                              ? QStringLiteral(" ORDER BY rowid")
                              : QStringLiteral(" ORDER BY %1, rowid").arg(quoted(m_keyColumn));
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    QVariantList bound = values;
    bound << limit;
    if (StoreError e = exec(q, orderedSelect() + where + order + QStringLiteral(" LIMIT ?"), bound))
        return e;
    while (q.next())
        m_batch.append(
            {q.value(0).toLongLong(), m_cursorColumn.isEmpty() ? QVariant() : q.value(1)});
    const StoreError e = StoreError::fromSql(q.lastError());
    m_batchIsLast = m_batch.size() < limit;
    return e;
}

// The batch that follows the current (or just deleted) row.
StoreError TableRecordset::loadBatchAfterCurrent()
{
    if (m_keyColumn.isEmpty())
        return loadBatch(QStringLiteral(" WHERE rowid > ?"), {m_rowid});
    if (m_cursorValue.isNull())
        return loadBatch(
            QStringLiteral(" WHERE (%1 IS NOT NULL OR rowid > ?)").arg(quoted(m_keyColumn)),
            {m_rowid});
    return loadBatch(
        QStringLiteral(" WHERE (%1 > ? OR (%1 = ? AND rowid > ?))").arg(quoted(m_keyColumn)),
        {m_cursorValue, m_cursorValue, m_rowid});
}

StoreError TableRecordset::fetch()
{
    m_noMatch = false;
    m_rowLoaded = false;
    m_row.clear();
    StoreError e;
    if (m_batchPos >= m_batch.size() && !m_batchIsLast)
        e = loadBatchAfterCurrent();
    if (!e && m_batchPos < m_batch.size()) {
        const Ahead& next = m_batch.at(m_batchPos++);
        m_hasCurrent = true;
        m_canResume = true;
        m_eof = false;
        m_rowid = next.rowid;
        m_cursorValue = next.value;
        return {};
    }
    dropBatch();
    m_hasCurrent = false;
    m_canResume = false;
    m_eof = !e;
    return e;
}

StoreError TableRecordset::loadRow()
{
    if (m_rowLoaded)
        return {};
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (StoreError e =
            exec(q, RowSql.arg(database::columnList(m_columns), quoted(m_table)), {m_rowid}))
        return e;
    if (!q.next())
        return StoreError::make(StoreError::RowGone);
    m_row.resize(m_columns.size());
    for (int i = 0; i < m_columns.size(); ++i)
        m_row[i] = q.value(i);
    m_rowLoaded = true;
    return {};
}

StoreResult<QVariant> TableRecordset::Value(const QString& field)
{
    StoreResult<QVariant> r;
    if ((r.error = checkOpen()))
        return r;
    const int col = columnOf(field);
    if (col < 0) {
        r.error = noSuchField(field);
        return r;
    }
    if (m_editMode != EditNone) {
        r.value = m_buffer.at(col);
        return r;
    }
    if (!m_hasCurrent) {
        r.error = StoreError::make(StoreError::NoCurrentRecord);
        return r;
    }
    if (!m_rowLoaded && m_columns.at(col) == m_cursorColumn) {
        r.value = m_cursorValue;
        return r;
    }
    if ((r.error = loadRow()))
        return r;
    r.value = m_row.at(col);
    return r;
}

StoreError TableRecordset::setValue(const QString& field, const QString& value)
{
    if (StoreError e = checkOpen())
        return e;
    if (m_editMode == EditNone)
        return StoreError::make(StoreError::NotEditing);
    const int col = columnOf(field);
    if (col < 0)
        return noSuchField(field);
    m_buffer[col] = database::storedText(value);
    return {};
}

StoreError TableRecordset::AddNew()
{
    if (StoreError e = checkOpen())
        return e;
    abandonEdit();
    m_buffer = QVector<QVariant>(m_columns.size());
    m_editMode = EditAdd;
    return {};
}

StoreError TableRecordset::Edit()
{
    if (StoreError e = checkCurrentRow())
        return e;
    if (StoreError e = loadRow())
        return e;
    m_buffer = m_row;
    m_editMode = EditInProgress;
    return {};
}

// Runs one write in its own IMMEDIATE transaction; on any failure the transaction
// is rolled back and nothing of it remains in the file.
StoreError TableRecordset::write(const QString& sql, const QVariantList& values, bool* touched)
{
    dropBatch(); // what was read ahead may be out of date after the write
    return database::inTransaction(m_db, [&](QSqlQuery& q) {
        StoreError e = exec(q, sql, values);
        if (!e)
            *touched = q.numRowsAffected() > 0;
        return e;
    });
}

QString TableRecordset::unchangedCondition() const
{
    QStringList unchanged;
    for (const QString& c : m_columns)
        unchanged << quoted(c) + QStringLiteral(" IS ?");
    return unchanged.join(QStringLiteral(" AND "));
}

StoreError TableRecordset::writeUnchanged(const QString& sql, const QVariantList& values)
{
    dropBatch();
    return database::inTransaction(m_db, [&](QSqlQuery& q) {
        if (StoreError e = exec(q, sql, values))
            return e;
        if (q.numRowsAffected() > 0)
            return StoreError();
        if (StoreError e = exec(q, ExistsSql.arg(quoted(m_table)), {m_rowid}))
            return e;
        return StoreError::make(q.next() ? StoreError::ChangedElsewhere : StoreError::RowGone);
    });
}

StoreError TableRecordset::Update()
{
    if (StoreError e = checkFile())
        return e;
    if (m_editMode == EditNone)
        return StoreError::make(StoreError::NotEditing);

    QStringList assignments;
    for (const QString& c : m_columns)
        assignments << quoted(c) + QStringLiteral(" = ?");
    QVariantList values;
    for (const QVariant& v : m_buffer)
        values << (v.isValid() ? v : QVariant(QMetaType::fromType<QString>()));

    bool touched = false;
    if (m_editMode == EditAdd) {
        if (StoreError e = write(database::insertSql(m_table, m_columns), values, &touched))
            return e;
    } else {
        // Another program may have changed or deleted the row since it was read:
        // then nothing is written, and the caller hears which.
        const QString sql = UpdateSql.arg(quoted(m_table), assignments.join(QStringLiteral(", ")),
                                          unchangedCondition());
        values << m_rowid << m_row;
        if (StoreError e = writeUnchanged(sql, values))
            return e;
        m_row = m_buffer;
        m_rowLoaded = true;
        if (!m_cursorColumn.isEmpty())
            m_cursorValue = m_row.at(columnOf(m_cursorColumn));
    }
    abandonEdit();
    return {};
}

StoreError TableRecordset::Delete()
{
    if (StoreError e = checkCurrentRow())
        return e;
    if (StoreError e = checkFile())
        return e;
    // Only the contact as it was read: one changed by other means since (a
    // synchronisation, another copy of the program) is not deleted unseen.
    if (StoreError e = loadRow())
        return e;
    if (StoreError e = writeUnchanged(DeleteSql.arg(quoted(m_table), unchangedCondition()),
                                      QVariantList{m_rowid} << m_row))
        return e;
    abandonEdit();
    // The deleted row stays the place from which MoveNext goes on.
    m_hasCurrent = false;
    m_rowLoaded = false;
    m_row.clear();
    return {};
}

StoreResult<qint64> TableRecordset::RecordCount()
{
    StoreResult<qint64> r;
    if ((r.error = checkFile()))
        return r;
    return database::rowCount(m_db, m_table);
}

StoreError TableRecordset::MoveFirst()
{
    if (StoreError e = checkFile())
        return e;
    abandonEdit();
    m_hasCurrent = m_canResume = false;
    if (StoreError e = loadBatch(QString(), {}))
        return e;
    return fetch();
}

StoreError TableRecordset::MoveNext()
{
    if (StoreError e = checkOpen())
        return e;
    abandonEdit();
    if (m_eof || !m_canResume)
        return StoreError::make(StoreError::NoCurrentRecord);
    return fetch();
}

StoreError TableRecordset::setIndex(const QString& name)
{
    if (StoreError e = checkOpen())
        return e;
    QString keyColumn;
    if (!name.isEmpty()) {
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        if (StoreError e = exec(q, IndexOwnerSql, {name, m_table}))
            return e;
        if (!q.next()) {
            // Let the engine say what is wrong with the name.
            StoreError e = exec(q, IndexProbeSql.arg(quoted(m_table), quoted(name)));
            return e ? e : StoreError::make(StoreError::NoIndex);
        }
        if (StoreError e = exec(q, IndexColumnsSql, {name}))
            return e;
        if (q.next())
            keyColumn = q.value(0).toString();
        if (keyColumn.isEmpty() || columnOf(keyColumn) < 0)
            return StoreError::make(StoreError::NoIndex);
        keyColumn = m_columns.at(columnOf(keyColumn));
    }
    // The current row stays current; the cursor carries the new order's key.
    if (m_hasCurrent && !keyColumn.isEmpty() && keyColumn != m_cursorColumn) {
        if (StoreError e = loadRow())
            return e;
    }
    dropBatch();
    m_index = name;
    m_keyColumn = keyColumn;
    if (!keyColumn.isEmpty()) {
        if (m_hasCurrent)
            m_cursorValue = m_row.value(columnOf(keyColumn), m_cursorValue);
        m_cursorColumn = keyColumn;
    }
    return {};
}

StoreError TableRecordset::Seek(const QString& comparison, const QString& key)
{
    if (StoreError e = checkFile())
        return e;
    if (comparison != QLatin1String("="))
        return StoreError::make(StoreError::BadComparison);
    if (m_keyColumn.isEmpty())
        return StoreError::make(StoreError::NoIndex);
    abandonEdit();
    m_hasCurrent = m_canResume = false;
    if (StoreError e = loadBatch(QStringLiteral(" WHERE %1 >= ?").arg(quoted(m_keyColumn)),
                                 {database::storedText(key)}, SeekBatchSize))
        return e;
    if (StoreError e = fetch())
        return e;
    if (m_hasCurrent && m_cursorValue.toString() == key && !m_cursorValue.isNull())
        return {};
    dropBatch();
    m_hasCurrent = m_canResume = false;
    m_eof = false;
    m_noMatch = true;
    return {};
}

void TableRecordset::Close()
{
    abandonEdit();
    dropBatch();
    m_hasCurrent = m_canResume = false;
    m_open = false;
}
