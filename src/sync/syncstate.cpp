#include "syncstate.h"

#include "database.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>

using database::exec;
using database::quoted;

namespace syncstate {

namespace {
const QString AccountTable = QStringLiteral("lstSyncAccount");

const QStringList TableSql = {
    QStringLiteral("CREATE TABLE lstSyncAccount (id INTEGER PRIMARY KEY CHECK (id = 1), "
                   "serverUrl TEXT NOT NULL, userName TEXT NOT NULL, bookUrl TEXT NOT NULL, "
                   "bookName TEXT NOT NULL, syncToken TEXT NOT NULL DEFAULT '', "
                   "synced INTEGER NOT NULL DEFAULT 0, lastSync TEXT NOT NULL DEFAULT '', "
                   "lastSummary TEXT NOT NULL DEFAULT '', lastError TEXT NOT NULL DEFAULT '')"),
    QStringLiteral("CREATE TABLE lstSyncLink (href TEXT PRIMARY KEY, contactRow INTEGER NOT NULL, "
                   "etag TEXT NOT NULL, uid TEXT NOT NULL, card TEXT NOT NULL, "
                   "fields TEXT NOT NULL, pending INTEGER NOT NULL DEFAULT 0)"),
    QStringLiteral("CREATE TABLE lstSyncChange (seq INTEGER PRIMARY KEY AUTOINCREMENT, "
                   "contactRow INTEGER NOT NULL, kind TEXT NOT NULL, before TEXT, after TEXT)"),
};
// The log is kept by the file itself, whichever program writes the table.
const QString TriggerSql = QStringLiteral(
    "CREATE TRIGGER %1 AFTER %2 ON tblQuelmar BEGIN "
    "INSERT INTO lstSyncChange (contactRow, kind, before, after) VALUES (%3, '%4', %5, %6); END");
const QStringList Drops = {
    QStringLiteral("DROP TRIGGER IF EXISTS lstSyncInserted"),
    QStringLiteral("DROP TRIGGER IF EXISTS lstSyncUpdated"),
    QStringLiteral("DROP TRIGGER IF EXISTS lstSyncDeleted"),
    QStringLiteral("DROP TABLE IF EXISTS lstSyncChange"),
    QStringLiteral("DROP TABLE IF EXISTS lstSyncLink"),
    QStringLiteral("DROP TABLE IF EXISTS lstSyncAccount"),
};
const QString IsSetUpSql =
    QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?");
const QString SaveAccountSql =
    QStringLiteral("INSERT INTO lstSyncAccount (id, serverUrl, userName, bookUrl, bookName) VALUES "
                   "(1, ?, ?, ?, ?)");
const QString AccountSql =
    QStringLiteral("SELECT serverUrl, userName, bookUrl, bookName, syncToken, synced, lastSync, "
                   "lastSummary, lastError FROM lstSyncAccount WHERE id = 1");
const QString SaveTokenSql = QStringLiteral("UPDATE lstSyncAccount SET syncToken = ? WHERE id = 1");
const QString MarkSyncedSql = QStringLiteral(
    "UPDATE lstSyncAccount SET synced = 1, lastSync = ?, lastSummary = ?, lastError = '' "
    "WHERE id = 1");
const QString SaveErrorSql =
    QStringLiteral("UPDATE lstSyncAccount SET lastSync = ?, lastError = ? WHERE id = 1");
const QString LinksSql = QStringLiteral(
    "SELECT contactRow, href, etag, uid, card, fields, pending FROM lstSyncLink ORDER BY href");
const QString SaveLinkSql =
    QStringLiteral("INSERT OR REPLACE INTO lstSyncLink (contactRow, href, etag, uid, card, fields, "
                   "pending) VALUES (?, ?, ?, ?, ?, ?, ?)");
const QString DropLinkSql = QStringLiteral("DELETE FROM lstSyncLink WHERE href = ?");
const QString ChangesSql =
    QStringLiteral("SELECT seq, contactRow, kind, before, after FROM lstSyncChange ORDER BY seq");
const QString ForgetSql = QStringLiteral("DELETE FROM lstSyncChange WHERE seq <= ? AND contactRow "
                                         "NOT IN (SELECT value FROM json_each(?))");
const QString ForgetAfterSql = QStringLiteral("DELETE FROM lstSyncChange WHERE seq > ?");
const QString ForgetRowSql =
    QStringLiteral("DELETE FROM lstSyncChange WHERE contactRow = ? AND seq <= ?");
const QString LastChangeSql = QStringLiteral("SELECT ifnull(max(seq), 0) FROM lstSyncChange");
const QString RowsSql = QStringLiteral("SELECT rowid, %1 FROM tblQuelmar ORDER BY rowid");
const QString RowAtSql = QStringLiteral("SELECT %1 FROM tblQuelmar WHERE rowid = ?");
const QString UpdateSql = QStringLiteral("UPDATE tblQuelmar SET %1 WHERE rowid = ? AND %2");
const QString DeleteSql = QStringLiteral("DELETE FROM tblQuelmar WHERE rowid = ? AND %1");

// The columns in the record's field order (Field 0 first).
const QStringList& fieldColumns()
{
    static const QStringList names = [] {
        QStringList list;
        for (int f = 0; f < contact::FieldCount; ++f)
            list << contact::column(contact::Field(f));
        return list;
    }();
    return names;
}

// Runs sql on q, prepared only when q last ran another statement: a sync writes
// thousands of rows and links, and preparing the insert, triggers and all, costs
// more than running it.
StoreError run(QSqlQuery& q, const QString& sql, const QVariantList& values)
{
    if (q.lastQuery() != sql)
        return exec(q, sql, values);
    for (qsizetype i = 0; i < values.size(); ++i)
        q.bindValue(int(i), values.at(i));
    if (!q.exec())
        return StoreError::fromSql(q.lastError());
    return {};
}

QString jsonOf(const QString& which)
{
    QStringList values;
    for (const QString& c : fieldColumns())
        values << which + u'.' + quoted(c);
    return QStringLiteral("json_array(%1)").arg(values.join(QStringLiteral(", ")));
}

QStringList triggerSql()
{
    return {
        TriggerSql.arg(QStringLiteral("lstSyncInserted"), QStringLiteral("INSERT"),
                       QStringLiteral("new.rowid"), QStringLiteral("i"), QStringLiteral("NULL"),
                       jsonOf(QStringLiteral("new"))),
        TriggerSql.arg(QStringLiteral("lstSyncUpdated"), QStringLiteral("UPDATE"),
                       QStringLiteral("new.rowid"), QStringLiteral("u"),
                       jsonOf(QStringLiteral("old")), jsonOf(QStringLiteral("new"))),
        TriggerSql.arg(QStringLiteral("lstSyncDeleted"), QStringLiteral("DELETE"),
                       QStringLiteral("old.rowid"), QStringLiteral("d"),
                       jsonOf(QStringLiteral("old")), QStringLiteral("NULL")),
    };
}

// The row still holds the values bound, over the seventeen columns; a stored
// null reads as an empty text.
const QString& sameAs()
{
    static const QString condition = [] {
        QStringList parts;
        for (const QString& c : fieldColumns())
            parts << QStringLiteral("ifnull(%1, '') = ?").arg(quoted(c));
        return parts.join(QStringLiteral(" AND "));
    }();
    return condition;
}

// A field's value as it is compared: the empty text and a null are the same.
QVariantList bound(const contact::Record& fields)
{
    QVariantList values;
    for (const QString& v : fields)
        values << database::storedText(v);
    return values;
}

contact::Record recordAt(const QSqlQuery& q, int first)
{
    contact::Record r;
    for (int f = 0; f < contact::FieldCount; ++f)
        r[f] = q.value(first + f).toString();
    return r;
}
} // namespace

QString toJson(const contact::Record& fields)
{
    QJsonArray array;
    for (const QString& v : fields)
        array.append(v);
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

contact::Record fromJson(const QString& json)
{
    const QJsonArray array = QJsonDocument::fromJson(json.toUtf8()).array();
    contact::Record r;
    for (int f = 0; f < contact::FieldCount && f < array.size(); ++f)
        r[f] = array.at(f).toString();
    return r;
}

StoreResult<bool> isSetUp(const QSqlDatabase& db)
{
    StoreResult<bool> r;
    QSqlQuery q(db);
    if ((r.error = exec(q, IsSetUpSql, {AccountTable})))
        return r;
    r.value = q.next() && q.value(0).toInt() > 0;
    return r;
}

StoreError setUp(const QSqlDatabase& db, const Account& account)
{
    return database::inTransaction(db, [&](QSqlQuery& q) {
        for (const QString& sql : Drops + TableSql + triggerSql()) {
            if (StoreError e = exec(q, sql))
                return e;
        }
        return exec(q, SaveAccountSql,
                    {database::storedText(account.serverUrl), database::storedText(account.user),
                     database::storedText(account.bookUrl),
                     database::storedText(account.bookName)});
    });
}

StoreError tearDown(const QSqlDatabase& db)
{
    return database::inTransaction(db, [](QSqlQuery& q) {
        for (const QString& sql : Drops) {
            if (StoreError e = exec(q, sql))
                return e;
        }
        return StoreError();
    });
}

StoreResult<Account> account(const QSqlDatabase& db)
{
    StoreResult<Account> r;
    QSqlQuery q(db);
    if ((r.error = exec(q, AccountSql)))
        return r;
    if (!q.next()) {
        r.error = StoreError::make(StoreError::NoCurrentRecord);
        return r;
    }
    Account& a = r.value;
    a.serverUrl = q.value(0).toString();
    a.user = q.value(1).toString();
    a.bookUrl = q.value(2).toString();
    a.bookName = q.value(3).toString();
    a.syncToken = q.value(4).toString();
    a.synced = q.value(5).toBool();
    a.lastSync = q.value(6).toString();
    a.lastSummary = q.value(7).toString();
    a.lastError = q.value(8).toString();
    return r;
}

StoreError saveToken(QSqlQuery& q, const QString& token)
{
    return exec(q, SaveTokenSql, {database::storedText(token)});
}

StoreError markSynced(QSqlQuery& q, const QString& when, const QString& summary)
{
    return exec(q, MarkSyncedSql, {when, database::storedText(summary)});
}

StoreError saveError(const QSqlDatabase& db, const QString& when, const QString& error)
{
    return database::inTransaction(db, [&](QSqlQuery& q) {
        return exec(q, SaveErrorSql, {when, error});
    });
}

StoreResult<QList<Link>> links(const QSqlDatabase& db)
{
    StoreResult<QList<Link>> r;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if ((r.error = exec(q, LinksSql)))
        return r;
    while (q.next()) {
        Link l;
        l.row = q.value(0).toLongLong();
        l.href = q.value(1).toString();
        l.etag = q.value(2).toString().toUtf8();
        l.uid = q.value(3).toString();
        l.card = q.value(4).toString();
        l.fields = fromJson(q.value(5).toString());
        l.pending = q.value(6).toBool();
        r.value << l;
    }
    return r;
}

StoreError saveLink(QSqlQuery& q, const Link& l)
{
    return run(q, SaveLinkSql,
               {l.row, l.href, database::storedText(QString::fromUtf8(l.etag)),
                database::storedText(l.uid), database::storedText(l.card), toJson(l.fields),
                int(l.pending)});
}

StoreError dropLink(QSqlQuery& q, const QString& href)
{
    return run(q, DropLinkSql, {href});
}

StoreResult<QList<Change>> changes(const QSqlDatabase& db)
{
    StoreResult<QList<Change>> r;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if ((r.error = exec(q, ChangesSql)))
        return r;
    while (q.next()) {
        Change c;
        c.seq = q.value(0).toLongLong();
        c.row = q.value(1).toLongLong();
        const QString kind = q.value(2).toString();
        c.kind = kind == u"i" ? Change::Inserted : kind == u"d" ? Change::Deleted : Change::Updated;
        c.before = fromJson(q.value(3).toString());
        c.after = fromJson(q.value(4).toString());
        r.value << c;
    }
    return r;
}

StoreError forgetChanges(QSqlQuery& q, qint64 upTo, const QList<qint64>& keep)
{
    QJsonArray rows;
    for (const qint64 row : keep)
        rows.append(row);
    return exec(q, ForgetSql,
                {upTo, QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact))});
}

StoreError forgetChangesAfter(QSqlQuery& q, qint64 seq)
{
    return exec(q, ForgetAfterSql, {seq});
}

StoreError forgetRowChanges(QSqlQuery& q, qint64 row, qint64 upTo)
{
    return exec(q, ForgetRowSql, {row, upTo});
}

StoreResult<qint64> lastChange(QSqlQuery& q)
{
    StoreResult<qint64> r;
    if (!(r.error = exec(q, LastChangeSql)) && q.next())
        r.value = q.value(0).toLongLong();
    return r;
}

StoreResult<QList<Row>> rows(const QSqlDatabase& db)
{
    StoreResult<QList<Row>> r;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if ((r.error = exec(q, RowsSql.arg(database::columnList(fieldColumns())))))
        return r;
    while (q.next())
        r.value << Row{q.value(0).toLongLong(), recordAt(q, 1)};
    return r;
}

StoreResult<std::optional<contact::Record>> rowAt(QSqlQuery& q, qint64 row)
{
    StoreResult<std::optional<contact::Record>> r;
    if ((r.error = exec(q, RowAtSql.arg(database::columnList(fieldColumns())), {row})))
        return r;
    if (q.next())
        r.value = recordAt(q, 0);
    return r;
}

StoreResult<qint64> insertRow(QSqlQuery& q, const contact::Record& fields)
{
    static const QString sql = database::insertSql(contact::TableName, fieldColumns());
    StoreResult<qint64> r;
    if ((r.error = run(q, sql, bound(fields))))
        return r;
    r.value = q.lastInsertId().toLongLong();
    return r;
}

StoreResult<bool> updateRow(QSqlQuery& q, qint64 row, const contact::Record& was,
                            const contact::Record& now)
{
    static const QString sql = [] {
        QStringList assignments;
        for (const QString& c : fieldColumns())
            assignments << quoted(c) + QStringLiteral(" = ?");
        return UpdateSql.arg(assignments.join(QStringLiteral(", ")), sameAs());
    }();
    StoreResult<bool> r;
    if ((r.error = run(q, sql, bound(now) << row << bound(was))))
        return r;
    r.value = q.numRowsAffected() > 0;
    return r;
}

StoreResult<bool> deleteRow(QSqlQuery& q, qint64 row, const contact::Record& was)
{
    StoreResult<bool> r;
    static const QString sql = DeleteSql.arg(sameAs());
    if ((r.error = run(q, sql, QVariantList{row} << bound(was))))
        return r;
    r.value = q.numRowsAffected() > 0;
    return r;
}

} // namespace syncstate
