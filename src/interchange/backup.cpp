#include "backup.h"

#include "contactrecord.h"
#include "database.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace interchange {

namespace {
const QString VacuumIntoSql = QStringLiteral("VACUUM INTO ?");
} // namespace

StoreResult<qint64> backup(const QString& database, const QString& target)
{
    StoreResult<qint64> result;
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
        result.error = StoreError::make(StoreError::FileExists,
                                        QStringLiteral("O arquivo %1 já existe.").arg(target));
        return result;
    }
    // Contacts are private: the copy, like the book, is for its owner alone.
    const QString partial = target + QStringLiteral(".parcial");
    QFile::remove(partial);
    const int fd = ::open(QFile::encodeName(partial).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        result.error = StoreError::fromErrno();
        return result;
    }
    ::close(fd);
    const QString connection = QStringLiteral("listrano-backup");
    if ((result.error = database::open(database, connection))) {
        QFile::remove(partial);
        return result;
    }
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        QSqlQuery q(db);
        result.error = database::exec(q, VacuumIntoSql, {partial});
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    // What the copy holds, counted in the copy itself.
    if (!result.error && !(result.error = database::open(partial, connection))) {
        {
            QSqlDatabase db = QSqlDatabase::database(connection, false);
            result = database::rowCount(db, contact::TableName);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
    }
    // In place only when whole, and never over a file that came meanwhile.
    if (!result.error &&
        ::link(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0)
        result.error = StoreError::fromErrno();
    QFile::remove(partial);
    return result;
}

} // namespace interchange
