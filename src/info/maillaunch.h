#pragma once

#include <QString>

class QObject;
class QWidget;

// How long the mail launcher is watched for word that no mail program could
// open the message.
constexpr int MailLaunchWatchMs = 5000;

// Opens the desktop's mail program with a new message to address: "mailto:"
// followed directly by the address, character for character, as one argument of
// the launcher (xdg-email), never through a shell. Returns at once. When the
// launcher cannot be started, or ends within limitMs saying that no program
// could open the address or that it failed (exit status 3 or 4), the user is
// told so in an information box over window, titled title, as soon as that is
// known; not when window is gone by then. Any other ending is not told.
// Returns the watch on the launcher, deleted once it is over.
QObject* sendMailTo(const QString& address, QWidget* window, const QString& title,
                    int limitMs = MailLaunchWatchMs);
