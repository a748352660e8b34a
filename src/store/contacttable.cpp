#include "contacttable.h"

#include "database.h"

#include <QSqlError>
#include <QSqlQuery>

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

    // In this order, so that the statements go before the transaction ends, and
    // the transaction before the connection.
    database::Connection connection;
    std::optional<database::Transaction> transaction;
    std::optional<QSqlQuery> insert;
    std::optional<QSqlQuery> known;
    const QList<contact::Field> order = contact::recordOrder();
    StoreError error;
    bool committed = false;
};

Writer::Writer(const QString& path) : d(std::make_unique<State>(path))
{
    if ((d->error = d->connection.error()))
        return;
    const QSqlDatabase db = d->connection.db();
    d->transaction.emplace(db);
    if ((d->error = d->transaction->error()))
        return;
    d->insert.emplace(db);
    d->known.emplace(db);
    if (!d->insert->prepare(database::insertSql(contact::TableName, contact::columns())))
        d->error = StoreError::fromSql(d->insert->lastError());
    else if (!d->known->prepare(sameSql()))
        d->error = StoreError::fromSql(d->known->lastError());
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
    for (int i = 0; i < d->order.size(); ++i) {
        const QVariant value = database::storedText(record[d->order.at(i)]);
        d->known->bindValue(i, value);
        d->insert->bindValue(i, value);
    }
    if (!d->known->exec()) {
        r.error = d->error = StoreError::fromSql(d->known->lastError());
        return r;
    }
    const bool duplicate = d->known->next();
    d->known->finish();
    if (duplicate)
        return r;
    if (!d->insert->exec()) {
        r.error = d->error = StoreError::fromSql(d->insert->lastError());
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
    d->insert->finish();
    d->known->finish();
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
