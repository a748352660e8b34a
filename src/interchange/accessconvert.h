#pragma once

#include "import.h"

#include <QDate>
#include <QString>

// An old Access contact book found where the contact database belongs, turned
// into a contact database of our own.
namespace interchange {

// The name the Access file is kept under, beside it: "Quelmar-access-2026-12-07.mdb",
// with "-2", "-3"... when that name is taken.
QString keptAccessName(const QString& path, const QDate& day);

struct Conversion {
    ImportSummary summary;
    QString keptAs; // where the Access file now lies
};

// Creates a contact database holding the rows of the Access file's table (read
// the way the import reads it), then renames the Access file to keptAccessName
// and puts the new database in its place. The Access file is never changed or
// deleted; on any failure it stays where it was and no new file is left.
Conversion convertAccess(const QString& path, const QString& table, const QDate& day,
                         const Progress& progress = {});

} // namespace interchange
