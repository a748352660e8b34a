#pragma once

#include <QString>
#include <QStringList>

// Starts another program without waiting for it and without a shell in between:
// the arguments reach it exactly as given. False when it could not be started.
namespace launcher {
bool startDetached(const QString& program, const QStringList& arguments);
}
