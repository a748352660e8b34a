#pragma once

#include "storeerror.h"

#include <QString>

namespace commandline {

struct DatabasePlace {
    QString path;
    bool created = false; // a new, empty book was made for the user there
    StoreError error;     // making it failed
};

// Where the contact database is: the path given on the command line; else
// Quelmar.mdb in the program's folder when it is there (a portable folder); else,
// for a program installed in installedBinDir, the user's own book in
// userDataDir, made empty at the first start (folder and file for the user
// alone); else the program's folder, where it will be missed.
DatabasePlace findDatabase(const QString& given, const QString& programDir,
                           const QString& installedBinDir, const QString& userDataDir);

} // namespace commandline
