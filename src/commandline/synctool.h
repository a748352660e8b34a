#pragma once

#include "options.h"

// Synchronisation from the command line: linking the book to an address book
// on a server, one sync, and unlinking it. Each returns the program's exit
// status: 0 done, 1 failed, 2 a usage error.
namespace commandline {

int runSyncTool(const Options& options, const QString& database);

} // namespace commandline
