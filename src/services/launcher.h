#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QObject;

// Starts another program without waiting for it and without a shell in between:
// the arguments reach it exactly as given. False when it could not be started.
namespace launcher {
bool startDetached(const QString& program, const QStringList& arguments);

// How a watched program ended.
struct Ending {
    enum Kind {
        Exited,       // on its own, with exitCode
        Crashed,      // stopped by a signal
        NotStarted,   // it could not be started
        StillRunning, // not ended when the watch ran out; it runs on
    };
    Kind kind = NotStarted;
    int exitCode = 0;
};
using Ended = std::function<void(const Ending&)>;

// Starts a program as startDetached does and watches it for limitMs at most,
// without blocking: ended is called once, from the event loop of context's
// thread, with how it ended by then. Nothing is called once context is gone.
// The program is never stopped: it may outlive the watch, context and this
// program too. Returns the watch, which is deleted once it is over.
QObject* startWatched(const QString& program, const QStringList& arguments, int limitMs,
                      QObject* context, const Ended& ended);
} // namespace launcher
