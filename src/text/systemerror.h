#pragma once

#include <QString>

// Why the system refused a file operation, in the user's words.
namespace systemerror {

// The reason errno err gives: the ones a user meets most (a full disk, a
// permission denied, a missing folder...) in Portuguese, the system's own text
// for the others.
QString reason(int err);

} // namespace systemerror
