#pragma once

#include "storeerror.h"

#include <QString>

// Copies of the contact database, and contacts in and out of it.
namespace interchange {

// A consistent copy of the database at database into target, while the program
// may be running elsewhere: written whole under a temporary name beside target,
// then put in its place; an existing target is never replaced. Returns how many
// contacts the copy holds.
StoreResult<qint64> backup(const QString& database, const QString& target);

} // namespace interchange
