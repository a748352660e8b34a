#pragma once

#include <QString>

// The desktop's way to get contacts in and out: a file dialog, a progress
// dialog with Cancel for long files, and a summary, then the program ends.
namespace transferdialogs {

// Each returns the program's exit status: 0 when done or cancelled by the
// user, 1 when the task failed (the database then left as it was).
int importContacts(const QString& database);
int exportContacts(const QString& database);

// The import of a file given on the command line (opened from a file manager):
// a vCard or CSV file's contacts are counted and the user asked whether to
// import them; a missing file, or one that is neither, gets a message (status 1).
int importFile(const QString& database, const QString& source);

} // namespace transferdialogs
