#include "launcher.h"

#include <QProcess>

namespace launcher {

bool startDetached(const QString& program, const QStringList& arguments)
{
    // The child gets the program's arguments as they are, with no shell to split
    // or expand them. Its standard channels go to the null device: it must not
    // read from our terminal, nor write into a pipe that may close when we end.
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

} // namespace launcher
