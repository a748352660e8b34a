#include "backup.h"

#include "contacttable.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace interchange {

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
    result.error = contacttable::copyTo(database, partial);
    // What the copy holds, counted in the copy itself.
    if (!result.error)
        result = contacttable::count(partial);
    // In place only when whole, and never over a file that came meanwhile.
    if (!result.error &&
        ::link(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0)
        result.error = StoreError::fromErrno();
    // The engine's journal of a copy cut off goes too.
    for (const char* left : {"", "-journal", "-wal", "-shm"})
        QFile::remove(partial + QLatin1String(left));
    return result;
}

} // namespace interchange
