#include "accessconvert.h"

#include "database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace interchange {

namespace {
// The folder's entries made durable after a rename.
void syncFolder(const QString& folder)
{
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
} // namespace

QString keptAccessName(const QString& path, const QDate& day)
{
    const QFileInfo info(path);
    const QString stem = info.dir().filePath(info.completeBaseName() + QStringLiteral("-access-") +
                                             day.toString(QStringLiteral("yyyy-MM-dd")));
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    QString name = stem + suffix;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = stem + u'-' + QString::number(n) + suffix;
    return name;
}

Conversion convertAccess(const QString& path, const QString& table, const QDate& day,
                         const Progress& progress)
{
    Conversion result;
    const QString folder = QFileInfo(path).absolutePath();
    const QString fresh = path + QStringLiteral(".novo");
    QFile::remove(fresh); // left by a conversion that was cut off
    if ((result.summary.error = database::createEmpty(fresh)))
        return result;
    result.summary = importFile(fresh, path, ImportRequest{table, progress});
    if (!result.summary.error) {
        // The Access file keeps its contents under its new name: a second link
        // first, which never replaces a file, then the new database over the old
        // name in one step.
        result.keptAs = keptAccessName(path, day);
        const QByteArray kept = QFile::encodeName(result.keptAs);
        const QByteArray old = QFile::encodeName(path);
        bool linked = ::link(old.constData(), kept.constData()) == 0;
        if (!linked && errno != EEXIST && !QFileInfo::exists(result.keptAs))
            linked = std::rename(old.constData(), kept.constData()) == 0; // no hard links here
        if (!linked)
            result.summary.error = StoreError::fromErrno();
        else if (std::rename(QFile::encodeName(fresh).constData(), old.constData()) != 0) {
            result.summary.error = StoreError::fromErrno();
            if (!QFileInfo::exists(path))
                std::rename(kept.constData(), old.constData());
            else
                ::unlink(kept.constData());
        }
        syncFolder(folder);
    }
    if (result.summary.error) {
        QFile::remove(fresh);
        result.keptAs.clear();
    }
    return result;
}

} // namespace interchange
