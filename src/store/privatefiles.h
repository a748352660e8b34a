#pragma once

#include "storeerror.h"

#include <QByteArray>
#include <QString>

// Files and folders for the user alone, whatever the umask.
namespace privatefiles {

// Makes folder and the folders above it that are missing, each 0700.
StoreError makeFolders(const QString& folder);

// Writes bytes to path whole or not at all (a new file renamed over it),
// readable and writable by the owner only, and durable when it returns. A
// symbolic link at path is replaced, never followed.
StoreError write(const QString& path, const QByteArray& bytes);

} // namespace privatefiles
