#pragma once

#include <QString>

// The desktop's way to get contacts in and out: a file dialog, a progress
// dialog with Cancel for long files, and a summary, then the program ends.
namespace transferdialogs {

// Each returns the program's exit status: 0 when done or cancelled by the
// user, 1 when the task failed (the database then left as it was).
int importContacts(const QString& database);
int exportContacts(const QString& database);

} // namespace transferdialogs
