#include "databaseplace.h"

#include "contactrecord.h"
#include "database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    if (!QDir().mkpath(userDataDir) ||
        !QFile::setPermissions(userDataDir,
                               QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        place.error =
            StoreError::make(StoreError::Io, QStringLiteral("Não foi possível criar a pasta %1.")
                                                 .arg(QDir::toNativeSeparators(userDataDir)));
        return place;
    }
    place.error = database::createEmpty(place.path);
    place.created = !place.error;
    return place;
}

} // namespace commandline
