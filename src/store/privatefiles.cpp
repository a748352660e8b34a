#include "privatefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace privatefiles {

StoreError makeFolders(const QString& folder)
{
    const QString absolute = QDir::cleanPath(QDir(folder).absolutePath());
    QString path;
    for (const QString& part : absolute.split(u'/', Qt::SkipEmptyParts)) {
        path += u'/' + part;
        const QByteArray name = QFile::encodeName(path);
        if (::mkdir(name.constData(), 0700) == 0) {
            if (::chmod(name.constData(), 0700) != 0)
                return StoreError::fromErrno();
        } else if (errno != EEXIST) {
            return StoreError::fromErrno();
        }
    }
    struct stat made {};
    if (::stat(QFile::encodeName(absolute).constData(), &made) != 0)
        return StoreError::fromErrno();
    return S_ISDIR(made.st_mode) ? StoreError() : StoreError::fromErrno(ENOTDIR);
}

StoreError write(const QString& path, const QByteArray& bytes)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temporary = target + ".novo";
    ::unlink(temporary.constData());
    const int fd =
        ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return StoreError::fromErrno();
    qsizetype done = 0;
    bool ok = ::fchmod(fd, 0600) == 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? n : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    const int err = errno;
    ::close(fd);
    if (!ok || ::rename(temporary.constData(), target.constData()) != 0) {
        const int failed = ok ? errno : err;
        ::unlink(temporary.constData());
        return StoreError::fromErrno(failed);
    }
    // The rename itself made durable.
    const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

} // namespace privatefiles
