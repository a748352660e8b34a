#include "launcher.h"

#include "testhook.h"

#include <QProcess>
#include <QTimer>

#include <memory>
#include <utility>

namespace launcher {

namespace {
TestHook<Ending, Started>& hook()
{
    static TestHook<Ending, Started> h;
    return h;
}

// In test mode: notes the start and gives its scripted ending.
Ending scripted(const QString& program, const QStringList& arguments)
{
    return hook().take({program, arguments}, Ending{Ending::Exited, 0});
}

// The child gets the program's arguments as they are, with no shell to split
// or expand them. Its standard channels go to the null device: it must not
// read from our terminal, nor write into a pipe that may close when we end.
void prepare(QProcess& process, const QString& program, const QStringList& arguments)
{
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
}
} // namespace

bool startDetached(const QString& program, const QStringList& arguments)
{
    if (hook().on())
        return scripted(program, arguments).kind != Ending::NotStarted;
    QProcess process;
    prepare(process, program, arguments);
    return process.startDetached();
}

QObject* startWatched(const QString& program, const QStringList& arguments, int limitMs,
                      QObject* context, const Ended& ended)
{
    // The watch goes with context: nothing is told once context is gone.
    auto* watch = new QObject(context);
    auto* timer = new QTimer(watch);
    timer->setSingleShot(true);
    // Told once: the first of the program's end and the limit.
    const auto told = std::make_shared<bool>(false);
    const auto tell = [watch, ended, told](const Ending& ending) {
        if (std::exchange(*told, true))
            return;
        watch->deleteLater();
        ended(ending);
    };
    QObject::connect(timer, &QTimer::timeout, watch, [tell] { tell({Ending::StillRunning, 0}); });
    timer->start(limitMs);

    if (hook().on()) {
        // The scripted ending comes from the event loop, as a real one does.
        const Ending ending = scripted(program, arguments);
        if (ending.kind != Ending::StillRunning)
            QMetaObject::invokeMethod(
                watch, [tell, ending] { tell(ending); }, Qt::QueuedConnection);
        return watch;
    }

    // Deleting a QProcess kills its program, so the process has no parent and is
    // deleted only once it has ended; one still running when this program ends
    // is left to run.
    auto* process = new QProcess;
    prepare(*process, program, arguments);
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart)
                             process->deleteLater();
                     });
    QObject::connect(
        process, &QProcess::finished, watch, [tell](int exitCode, QProcess::ExitStatus status) {
            tell({status == QProcess::NormalExit ? Ending::Exited : Ending::Crashed, exitCode});
        });
    // Queued: a start may fail inside start() itself, before the caller is back.
    QObject::connect(
        process, &QProcess::errorOccurred, watch,
        [tell](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                tell({Ending::NotStarted, 0});
        },
        Qt::QueuedConnection);
    process->start();
    return watch;
}

void setTestMode(bool on)
{
    hook().setTestMode(on);
}

void setNextAnswer(const Ending& ending)
{
    hook().queue(ending);
}

QList<Started> asked()
{
    return hook().asked();
}

void clearAsked()
{
    hook().clearAsked();
}

} // namespace launcher
