#include "database.h"

#include "contactrecord.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <QUrl>
#include <atomic>

#include <optional>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace database {

namespace {
const QString ConnectOptions = QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=2000");

const char* const SettingsSql[] = {
    "PRAGMA journal_mode=DELETE",
    "PRAGMA synchronous=FULL",
};

const QString QuickCheckSql = QStringLiteral("PRAGMA quick_check");
const QString TableInfoSql = QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid");
const QString RowidProbeSql = QStringLiteral("SELECT rowid FROM %1 LIMIT 0");
const QString BookVersionSql = QStringLiteral("PRAGMA user_version");
const QString SetBookVersionSql = QStringLiteral("PRAGMA user_version = %1");
const QString InsertSql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)");
// A text with a '_' whose every character is one of the given ones.
const QString ClearEmptyMaskSql =
    QStringLiteral("UPDATE %1 SET %2 = ? WHERE instr(%2, ?) > 0 AND trim(%2, ?) = ''");

StoreError openFailure(QSqlDatabase& db)
{
    StoreError e = StoreError::fromSql(db.lastError());
    if (!e)
        e = StoreError::make(StoreError::Engine, QStringLiteral("unable to open database file"));
    return e;
}

std::optional<struct stat> statOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return info;
}

StoreError checkSound(QSqlDatabase& db, bool vouched)
{
    QSqlQuery q(db);
    if (!vouched) {
        if (StoreError e = exec(q, QuickCheckSql))
            return e;
        QStringList problems;
        while (q.next()) {
            const QString line = q.value(0).toString();
            if (line != QLatin1String("ok"))
                problems << line;
        }
        if (!problems.isEmpty()) {
            StoreError e = StoreError::make(StoreError::Engine, problems.join(QLatin1Char('\n')));
            e.nativeCode = StoreError::SqliteCorrupt;
            return e;
        }
    }
    for (const char* sql : SettingsSql) {
        if (StoreError e = exec(q, QString::fromLatin1(sql)))
            return e;
    }
    return {};
}

// Failures that only tell that the book cannot be written now.
bool cannotWrite(const StoreError& e)
{
    switch (e.primaryCode()) {
    case StoreError::SqliteBusy:
    case StoreError::SqliteLocked:
    case StoreError::SqliteReadOnly:
    case StoreError::SqliteCantOpen:
    case StoreError::SqliteFull:
    case StoreError::SqliteAuth:
    case StoreError::SqlitePerm:
        return true;
    default:
        return false;
    }
}

StoreResult<int> readBookVersion(QSqlQuery& q)
{
    StoreResult<int> r;
    if (!(r.error = exec(q, BookVersionSql)) && q.next())
        r.value = q.value(0).toInt();
    q.finish();
    return r;
}

// Brings a book of an older form to the current one (see BookVersion).
StoreError bringUpToDate(QSqlDatabase& db)
{
    QSqlQuery q(db);
    const StoreResult<int> before = readBookVersion(q);
    if (before.error || before.value >= BookVersion)
        return before.error;
    // A file without the contact table is left to whoever uses it to tell.
    QStringList columns;
    if (tableColumns(db, contact::TableName, &columns))
        return {};
    QStringList masked;
    for (int f = 0; f < contact::FieldCount; ++f) {
        const QString column = contact::column(contact::Field(f));
        if (contact::isMaskedField(contact::Field(f)) && columns.contains(column))
            masked << column;
    }
    const StoreError e = inTransaction(db, [&masked](QSqlQuery& q) {
        // Another program may have done it meanwhile.
        const StoreResult<int> now = readBookVersion(q);
        if (now.error || now.value >= BookVersion)
            return now.error;
        const QString table = quoted(contact::TableName);
        for (const QString& column : masked) {
            if (StoreError e =
                    exec(q, ClearEmptyMaskSql.arg(table, quoted(column)),
                         {QStringLiteral(""), QStringLiteral("_"), contact::EmptyMaskCharacters}))
                return e;
        }
        return exec(q, SetBookVersionSql.arg(BookVersion));
    });
    // Not now: the next open tries again.
    return cannotWrite(e) ? StoreError() : e;
}

} // namespace

QString openUri(const QString& path)
{
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=rw");
}

QString quoted(const QString& identifier)
{
    QString q = identifier;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

StoreError exec(QSqlQuery& query, const QString& sql, const QVariantList& values)
{
    if (!query.prepare(sql))
        return StoreError::fromSql(query.lastError());
    for (const QVariant& v : values)
        query.addBindValue(v);
    if (!query.exec())
        return StoreError::fromSql(query.lastError());
    return {};
}

StoreResult<qint64> rowCount(const QSqlDatabase& db, const QString& table)
{
    StoreResult<qint64> r;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!(r.error = exec(q, QStringLiteral("SELECT count(*) FROM %1").arg(quoted(table)))) &&
        q.next())
        r.value = q.value(0).toLongLong();
    return r;
}

namespace {
std::atomic<quint64> transactions{0};
} // namespace

quint64 writesBegun()
{
    return transactions.load(std::memory_order_acquire);
}

Transaction::Transaction(const QSqlDatabase& db) : m_db(db)
{
    // Counted whether or not it is committed: a write that failed may still
    // have been made, for all a reader of the count knows.
    transactions.fetch_add(1, std::memory_order_acq_rel);
    QSqlQuery q(m_db);
    m_error = exec(q, QStringLiteral("BEGIN IMMEDIATE"));
    m_pending = !m_error;
}

Transaction::~Transaction()
{
    if (!m_pending)
        return;
    // The first failure is the one to tell; a refused rollback adds nothing
    // (SQLite has rolled back already when it refuses one).
    QSqlQuery rollback(m_db);
    [[maybe_unused]] const StoreError ignored = exec(rollback, QStringLiteral("ROLLBACK"));
}

StoreError Transaction::commit()
{
    if (m_error)
        return m_error;
    QSqlQuery q(m_db);
    const StoreError e = exec(q, QStringLiteral("COMMIT"));
    m_pending = e.isError(); // a refused commit is rolled back at the end
    return e;
}

StoreError inTransaction(const QSqlDatabase& db, const std::function<StoreError(QSqlQuery&)>& work)
{
    Transaction transaction(db);
    if (transaction.error())
        return transaction.error();
    QSqlQuery q(db);
    StoreError e = work(q);
    q.finish();
    return e ? e : transaction.commit();
}

QString columnList(const QStringList& columns)
{
    QStringList names;
    for (const QString& c : columns)
        names << quoted(c);
    return names.join(QStringLiteral(", "));
}

QString insertSql(const QString& table, const QStringList& columns)
{
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    return InsertSql.arg(quoted(table), columnList(columns), marks.join(QStringLiteral(", ")));
}

QVariant storedText(const QString& text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

bool CheckedFile::State::operator==(const State& other) const
{
    return path == other.path && identity == other.identity && size == other.size &&
           modifiedNs == other.modifiedNs;
}

std::optional<CheckedFile::State> CheckedFile::stateOf(const QString& path)
{
    const std::optional<struct stat> info = statOf(path);
    if (!info)
        return std::nullopt;
    return State{path,
                 {quint64(info->st_dev), quint64(info->st_ino)},
                 quint64(info->st_size),
                 qint64(info->st_mtim.tv_sec) * 1000000000 + info->st_mtim.tv_nsec};
}

bool CheckedFile::vouchesFor(const QString& path) const
{
    if (!m_state || m_state->path != path)
        return false;
    const std::optional<State> now = stateOf(path);
    return now && *now == *m_state;
}

Connection::Connection(const QString& path, const QString& name, const CheckedFile& checked,
                       Upgrade upgrade)
    : m_name(name)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        m_added = true;
        if (!db.isValid()) {
            m_error = StoreError::make(StoreError::Engine,
                                       QStringLiteral("driver QSQLITE not available"));
        } else {
            db.setConnectOptions(ConnectOptions);
            db.setDatabaseName(openUri(path));
            if (!db.open())
                m_error = openFailure(db);
            else
                m_error = checkSound(db, checked.vouchesFor(path));
            if (!m_error && upgrade == BringUpToDate)
                m_error = bringUpToDate(db);
        }
    }
    if (m_error)
        remove();
}

Connection::~Connection()
{
    remove();
}

QSqlDatabase Connection::db() const
{
    return m_added ? QSqlDatabase::database(m_name, false) : QSqlDatabase();
}

void Connection::remove()
{
    if (!m_added)
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_added = false;
}

std::optional<FileIdentity> fileIdentity(const QString& path)
{
    const std::optional<struct stat> info = statOf(path);
    if (!info)
        return std::nullopt;
    return FileIdentity{quint64(info->st_dev), quint64(info->st_ino)};
}

StoreError checkContactFile(const QString& path)
{
    // A check changes nothing in the file.
    const Connection connection(path, QStringLiteral("listrano-check-") + path, {},
                                Connection::AsItIs);
    if (connection.error())
        return connection.error();
    QStringList columns;
    StoreError result = tableColumns(connection.db(), contact::TableName, &columns);
    for (const QString& field : contact::FieldNames) {
        if (!result && !columns.contains(field))
            result = StoreError::make(
                StoreError::NoSuchField,
                QStringLiteral("A tabela %1 não tem o campo %2.").arg(contact::TableName, field));
    }
    return result;
}

StoreResult<CheckedFile> checkAhead(const QString& path)
{
    StoreResult<CheckedFile> result;
    const std::optional<CheckedFile::State> before = CheckedFile::stateOf(path);
    result.error = checkContactFile(path);
    const std::optional<CheckedFile::State> after = CheckedFile::stateOf(path);
    // Only a file that stood still through the check is vouched for.
    if (!result.error && before && after && *before == *after)
        result.value.m_state = after;
    return result;
}

StoreError tableColumns(const QSqlDatabase& db, const QString& table, QStringList* columns)
{
    columns->clear();
    QSqlQuery q(db);
    // Probe first so that a missing table, or one without row ids, fails with the
    // engine's own words.
    if (StoreError e = exec(q, RowidProbeSql.arg(quoted(table))))
        return e;
    if (StoreError e = exec(q, TableInfoSql, {table}))
        return e;
    while (q.next())
        columns->append(q.value(0).toString());
    return {};
}

QStringList schemaStatements()
{
    QFile file(QStringLiteral(":/store/schema.sql"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (!line.trimmed().startsWith(QLatin1String("--")))
            lines << line;
    }
    QStringList statements;
    for (const QString& s : lines.join(QLatin1Char('\n')).split(QLatin1Char(';'))) {
        if (!s.trimmed().isEmpty())
            statements << s.trimmed();
    }
    return statements;
}

StoreError createEmpty(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return StoreError::fromErrno();
    ::close(fd);

    StoreError result;
    {
        const Connection connection(path, QStringLiteral("listrano-create-") + path, {},
                                    Connection::AsItIs);
        result = connection.error();
        const QStringList statements = schemaStatements();
        if (!result && statements.isEmpty())
            result = StoreError::make(StoreError::Io, QStringLiteral("schema not found"));
        if (!result)
            result = inTransaction(connection.db(), [&statements](QSqlQuery& q) {
                for (const QString& sql : statements) {
                    if (StoreError e = exec(q, sql))
                        return e;
                }
                return exec(q, SetBookVersionSql.arg(BookVersion));
            });
    }
    if (result)
        QFile::remove(path);
    return result;
}

} // namespace database
