#pragma once

#include "options.h"

// The command line's own tasks, which need no display: a backup copy, and
// contacts into or out of the database. Each says what it did in one line and
// returns the program's exit status.
namespace commandline {

int runTool(const Options& options, const QString& database);

} // namespace commandline
