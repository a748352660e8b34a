#include "databaseplace.h"

#include "contactrecord.h"
#include "database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>

namespace commandline {

namespace {
// Makes folder and the folders above it that are missing, each for the user
// alone (0700) whatever the umask; errno tells why when it fails.
bool makeFolders(const QString& folder)
{
    const QString absolute = QDir::cleanPath(QDir(folder).absolutePath());
    QString path;
    for (const QString& part : absolute.split(u'/', Qt::SkipEmptyParts)) {
        path += u'/' + part;
        const QByteArray name = QFile::encodeName(path);
        if (::mkdir(name.constData(), 0700) == 0) {
            if (::chmod(name.constData(), 0700) != 0)
                return false;
        } else if (errno != EEXIST) {
            return false;
        }
    }
    struct stat made {};
    if (::stat(QFile::encodeName(absolute).constData(), &made) != 0)
        return false;
    errno = ENOTDIR;
    return S_ISDIR(made.st_mode);
}
} // namespace

DatabasePlace findDatabase(const QString& given, const QString& programDir,
                           const QString& installedBinDir, const QString& userDataDir)
{
    DatabasePlace place;
    if (!given.isEmpty()) {
        place.path = given;
        return place;
    }
    const QString beside = QDir(programDir).filePath(contact::DatabaseFileName);
    const QString installed = QFileInfo(installedBinDir).canonicalFilePath();
    if (QFileInfo::exists(beside) || installed.isEmpty() ||
        QFileInfo(programDir).canonicalFilePath() != installed) {
        place.path = beside;
        return place;
    }
    place.path = QDir(userDataDir).filePath(contact::DatabaseFileName);
    if (QFileInfo::exists(place.path) || QFileInfo(place.path).isSymLink())
        return place;
    if (!makeFolders(userDataDir) ||
        ::chmod(QFile::encodeName(userDataDir).constData(), 0700) != 0) {
        place.error = StoreError::make(
            StoreError::Io,
            QStringLiteral("Não foi possível criar a pasta %1: %2.")
                .arg(QDir::toNativeSeparators(userDataDir), StoreError::fromErrno().text));
        return place;
    }
    place.error = database::createEmpty(place.path);
    place.created = !place.error;
    return place;
}

} // namespace commandline
