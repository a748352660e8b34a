#include "contacttable.h"

#include "database.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringEncoder>

#include <sqlite3.h>

#include <array>
#include <optional>

namespace contacttable {

namespace {
// All seventeen fields equal; the name's equality lets the engine go by its index.
const QString SameSql = QStringLiteral("SELECT 1 FROM %1 WHERE %2 LIMIT 1");
const QString RowsSql = QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid");
const QString VacuumIntoSql = QStringLiteral("VACUUM INTO ?");

QString sameSql()
{
    QStringList same;
    for (const QString& column : contact::columns())
        same << database::quoted(column) + QStringLiteral(" = ?");
    return SameSql.arg(database::quoted(contact::TableName), same.join(QStringLiteral(" AND ")));
}
} // namespace

struct Writer::State {
    explicit State(const QString& path) : connection(path, QStringLiteral("listrano-import")) {}
    ~State()
    {
        sqlite3_finalize(insert);
        sqlite3_finalize(known);
    }

    // The engine's own failure, with its text.
    StoreError engineError() const
    {
        StoreError e = StoreError::make(StoreError::Engine, QString::fromUtf8(sqlite3_errmsg(db)));
        e.nativeCode = sqlite3_extended_errcode(db);
        return e;
    }

    // In this order, so that the transaction ends before the connection; the
    // statements are finalized first of all.
    database::Connection connection;
    std::optional<database::Transaction> transaction;
    // The engine's connection and statements, through the driver: Qt's bound
    // values cost more per row than the engine's work.
    sqlite3* db = nullptr;
    sqlite3_stmt* insert = nullptr;
    sqlite3_stmt* known = nullptr;
    const QList<contact::Field> order = contact::recordOrder();
    // A record's fields in UTF-8, one after another, and where each ends.
    QByteArray utf8;
    std::array<qsizetype, contact::FieldCount + 1> ends{};
    QStringEncoder encoder{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
    StoreError error;
    bool committed = false;
};

Writer::Writer(const QString& path) : d(std::make_unique<State>(path))
{
    if ((d->error = d->connection.error()))
        return;
    const QSqlDatabase db = d->connection.db();
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
        d->error = StoreError::make(StoreError::Engine, QStringLiteral("no SQLite connection"));
        return;
    }
    d->db = *static_cast<sqlite3* const*>(handle.constData());
    d->utf8.resize(4096);
    d->transaction.emplace(db);
    if ((d->error = d->transaction->error()))
        return;
    const QByteArray insertSql =
        database::insertSql(contact::TableName, contact::columns()).toUtf8();
    const QByteArray knownSql = sameSql().toUtf8();
    if (sqlite3_prepare_v3(d->db, insertSql.constData(), -1, SQLITE_PREPARE_PERSISTENT, &d->insert,
                           nullptr) != SQLITE_OK ||
        sqlite3_prepare_v3(d->db, knownSql.constData(), -1, SQLITE_PREPARE_PERSISTENT, &d->known,
                           nullptr) != SQLITE_OK)
        d->error = d->engineError();
}

Writer::~Writer() = default;

const StoreError& Writer::error() const
{
    return d->error;
}

StoreResult<bool> Writer::add(const contact::Record& record)
{
    StoreResult<bool> r;
    if ((r.error = d->error))
        return r;
    if (d->committed) {
        r.error = StoreError::make(StoreError::Closed);
        return r;
    }
    // Every field into one buffer first: binding points into it.
    qsizetype room = 0;
    for (const contact::Field field : d->order)
        room += d->encoder.requiredSpace(record[field].size());
    if (d->utf8.size() < room)
        d->utf8.resize(room);
    char* const begin = d->utf8.data();
    char* out = begin;
    for (int i = 0; i < d->order.size(); ++i) {
        out = d->encoder.appendToBuffer(out, record[d->order.at(i)]);
        d->ends[i + 1] = out - begin;
    }
    // A null field goes in as an empty text, never a null.
    for (int i = 0; i < d->order.size(); ++i) {
        const char* text = begin + d->ends[i];
        const int bytes = int(d->ends[i + 1] - d->ends[i]);
        sqlite3_bind_text(d->known, i + 1, text, bytes, SQLITE_STATIC);
        sqlite3_bind_text(d->insert, i + 1, text, bytes, SQLITE_STATIC);
    }
    const int found = sqlite3_step(d->known);
    sqlite3_reset(d->known);
    if (found != SQLITE_ROW && found != SQLITE_DONE) {
        r.error = d->error = d->engineError();
        return r;
    }
    if (found == SQLITE_ROW)
        return r;
    const int inserted = sqlite3_step(d->insert);
    sqlite3_reset(d->insert);
    if (inserted != SQLITE_DONE) {
        r.error = d->error = d->engineError();
        return r;
    }
    r.value = true;
    return r;
}

StoreError Writer::commit()
{
    if (d->error)
        return d->error;
    if (d->committed)
        return StoreError::make(StoreError::Closed);
    sqlite3_reset(d->insert);
    sqlite3_reset(d->known);
    d->error = d->transaction->commit();
    d->committed = !d->error;
    return d->error;
}

struct Reader::State {
    explicit State(const QString& path) : connection(path, QStringLiteral("listrano-export")) {}

    database::Connection connection;
    std::optional<QSqlQuery> rows;
    const QList<contact::Field> order = contact::recordOrder();
    StoreError error;
    bool started = false;
    bool done = false;
};

Reader::Reader(const QString& path) : d(std::make_unique<State>(path))
{
    d->error = d->connection.error();
}

Reader::~Reader() = default;

const StoreError& Reader::error() const
{
    return d->error;
}

StoreResult<qint64> Reader::count()
{
    if (d->error) {
        StoreResult<qint64> r;
        r.error = d->error;
        return r;
    }
    return database::rowCount(d->connection.db(), contact::TableName);
}

bool Reader::next(contact::Record* record)
{
    if (d->error || d->done)
        return false;
    if (!d->started) {
        d->started = true;
        d->rows.emplace(d->connection.db());
        d->rows->setForwardOnly(true);
        d->error = database::exec(*d->rows, RowsSql.arg(database::columnList(contact::columns()),
                                                        database::quoted(contact::TableName)));
        if (d->error)
            return false;
    }
    if (!d->rows->next()) {
        d->error = StoreError::fromSql(d->rows->lastError());
        d->rows->finish();
        d->done = true;
        return false;
    }
    for (int i = 0; i < d->order.size(); ++i)
        (*record)[d->order.at(i)] = d->rows->value(i).toString();
    return true;
}

StoreResult<qint64> count(const QString& path)
{
    const database::Connection connection(path, QStringLiteral("listrano-count"));
    if (connection.error()) {
        StoreResult<qint64> r;
        r.error = connection.error();
        return r;
    }
    return database::rowCount(connection.db(), contact::TableName);
}

StoreError copyTo(const QString& path, const QString& target)
{
    const database::Connection connection(path, QStringLiteral("listrano-backup"));
    if (connection.error())
        return connection.error();
    QSqlQuery q(connection.db());
    return database::exec(q, VacuumIntoSql, {target});
}

} // namespace contacttable
