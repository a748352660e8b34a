#include "maillaunch.h"

#include "launcher.h"
#include "messagebox.h"

#include <QPointer>
#include <QWidget>

namespace {
// xdg-email's exit statuses: no program for the action, the action failed.
constexpr int NoProgramStatus = 3;
constexpr int ActionFailedStatus = 4;

bool noMailProgram(const launcher::Ending& ending)
{
    switch (ending.kind) {
    case launcher::Ending::NotStarted:
        return true;
    case launcher::Ending::Exited:
        return ending.exitCode == NoProgramStatus || ending.exitCode == ActionFailedStatus;
    case launcher::Ending::Crashed:
    case launcher::Ending::StillRunning:
        break;
    }
    return false;
}
} // namespace

QObject* sendMailTo(const QString& address, QWidget* window, const QString& title, int limitMs)
{
    const QPointer<QWidget> shownOver = window;
    return launcher::startWatched(
        QStringLiteral("xdg-email"), {QStringLiteral("mailto:") + address}, limitMs, window,
        [shownOver, title](const launcher::Ending& ending) {
            if (shownOver && noMailProgram(ending))
                MessageBox::show(shownOver,
                                 QStringLiteral("Não foi possível abrir o programa de e-mail."),
                                 title, MessageBox::Information);
        });
}
