#include "database.h"

#include "contactrecord.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <QUrl>
#include <atomic>

#include <mutex>
#include <optional>
#include <utility>

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

// A file found sound by checkAhead: which file, and as it was then.
struct Voucher {
    QString path;
    FileIdentity identity;
    quint64 size = 0;
    qint64 modifiedNs = 0;
    bool operator==(const Voucher& other) const
    {
        return path == other.path && identity == other.identity && size == other.size &&
               modifiedNs == other.modifiedNs;
    }
};
std::mutex voucherLock;
std::optional<Voucher> voucher;

std::optional<struct stat> statOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return info;
}

std::optional<Voucher> currentState(const QString& path)
{
    const std::optional<struct stat> info = statOf(path);
    if (!info)
        return std::nullopt;
    return Voucher{path,
                   {quint64(info->st_dev), quint64(info->st_ino)},
                   quint64(info->st_size),
                   qint64(info->st_mtim.tv_sec) * 1000000000 + info->st_mtim.tv_nsec};
}

// Whether checkAhead found this file sound as it is now; asked once.
bool vouchedFor(const QString& path)
{
    const std::optional<Voucher> now = currentState(path);
    std::lock_guard<std::mutex> lock(voucherLock);
    const std::optional<Voucher> given = std::exchange(voucher, std::nullopt);
    return now && given && *given == *now;
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

// open(), bringing the book up to date or not.
StoreError openConnection(const QString& path, const QString& connectionName, bool bringUp)
{
    StoreError result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        if (!db.isValid()) {
            result = StoreError::make(StoreError::Engine,
                                      QStringLiteral("driver QSQLITE not available"));
        } else {
            db.setConnectOptions(ConnectOptions);
            db.setDatabaseName(openUri(path));
            if (!db.open())
                result = openFailure(db);
            else
                result = checkSound(db, vouchedFor(path));
            if (!result && bringUp)
                result = bringUpToDate(db);
            if (result)
                db.close();
        }
    }
    if (result)
        QSqlDatabase::removeDatabase(connectionName);
    return result;
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

StoreError inTransaction(const QSqlDatabase& db, const std::function<StoreError(QSqlQuery&)>& work)
{
    // Counted whether or not it is committed: a write that failed may still
    // have been made, for all a reader of the count knows.
    transactions.fetch_add(1, std::memory_order_acq_rel);
    QSqlQuery q(db);
    if (StoreError e = exec(q, QStringLiteral("BEGIN IMMEDIATE")))
        return e;
    StoreError e = work(q);
    q.finish();
    if (!e)
        e = exec(q, QStringLiteral("COMMIT"));
    if (e) {
        // The first failure is the one to tell; a refused rollback adds nothing
        // (SQLite has rolled back already when it refuses one).
        QSqlQuery rollback(db);
        [[maybe_unused]] const StoreError ignored = exec(rollback, QStringLiteral("ROLLBACK"));
    }
    return e;
}

StoreError open(const QString& path, const QString& connectionName)
{
    return openConnection(path, connectionName, true);
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
    const QString connection = QStringLiteral("listrano-check-") + path;
    // A check changes nothing in the file.
    StoreError result = openConnection(path, connection, false);
    if (result)
        return result;
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        QStringList columns;
        result = tableColumns(db, contact::TableName, &columns);
        for (const QString& field : contact::FieldNames) {
            if (!result && !columns.contains(field))
                result = StoreError::make(StoreError::NoSuchField,
                                          QStringLiteral("A tabela %1 não tem o campo %2.")
                                              .arg(contact::TableName, field));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return result;
}

StoreError checkAhead(const QString& path)
{
    const std::optional<Voucher> before = currentState(path);
    const StoreError result = checkContactFile(path);
    const std::optional<Voucher> after = currentState(path);
    // Only a file that stood still through the check is vouched for.
    if (!result && before && after && *before == *after) {
        std::lock_guard<std::mutex> lock(voucherLock);
        voucher = after;
    }
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

    const QString connection = QStringLiteral("listrano-create-") + path;
    StoreError result = openConnection(path, connection, false);
    if (!result) {
        {
            QSqlDatabase db = QSqlDatabase::database(connection, false);
            const QStringList statements = schemaStatements();
            if (statements.isEmpty())
                result = StoreError::make(StoreError::Io, QStringLiteral("schema not found"));
            else
                result = inTransaction(db, [&statements](QSqlQuery& q) {
                    for (const QString& sql : statements) {
                        if (StoreError e = exec(q, sql))
                            return e;
                    }
                    return exec(q, SetBookVersionSql.arg(BookVersion));
                });
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
    }
    if (result)
        QFile::remove(path);
    return result;
}

} // namespace database
