#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QObject;

// Starts another program without waiting for it and without a shell in between:
// the arguments reach it exactly as given. False when it could not be started.
namespace launcher {
bool startDetached(const QString& program, const QStringList& arguments);

// How a watched program ended; in test mode, the scripted answer of a start.
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

// A start as it would have been made.
struct Started {
    QString program;
    QStringList arguments;
};

// Test hooks, as the message box's. While test mode is on no program is
// started: each start is noted and takes the next scripted ending, or exit
// status 0 when none is left. A watched start tells it as a real one would,
// from the event loop; StillRunning is told when the watch runs out. A detached
// start is false for NotStarted.
void setTestMode(bool on);
void setNextAnswer(const Ending& ending);
QList<Started> asked();
void clearAsked();
} // namespace launcher
