#pragma once

#include <QString>

// Opens the desktop's mail program with a new message to address: "mailto:"
// followed directly by the address, character for character, as one argument of
// the launcher (xdg-email), never through a shell. Returns at once; a failure to
// start it is ignored.
void sendMailTo(const QString& address);
