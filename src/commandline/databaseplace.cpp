#include "databaseplace.h"

#include "contactrecord.h"
#include "database.h"
#include "privatefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>

namespace commandline {

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
    StoreError made = privatefiles::makeFolders(userDataDir);
    if (!made && ::chmod(QFile::encodeName(userDataDir).constData(), 0700) != 0)
        made = StoreError::fromErrno();
    if (made) {
        place.error = StoreError::make(StoreError::Io,
                                       QStringLiteral("Não foi possível criar a pasta %1: %2.")
                                           .arg(QDir::toNativeSeparators(userDataDir), made.text));
        return place;
    }
    place.error = database::createEmpty(place.path);
    place.created = !place.error;
    return place;
}

} // namespace commandline
