#include "maillaunch.h"

#include "launcher.h"

void sendMailTo(const QString& address)
{
    // Without a mail program there is nothing to open and nothing to tell.
    launcher::startDetached(QStringLiteral("xdg-email"), {QStringLiteral("mailto:") + address});
}
