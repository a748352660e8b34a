#include "databaseplace.h"
#include "frmabertura.h"
#include "heap.h"
#include "options.h"
#include "syncdialog.h"
#include "syncrunner.h"
#include "tools.h"
#include "transferdialogs.h"
#include "translation.h"

#include <QApplication>
#include <QIcon>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    // The command line is read before anything needs a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const commandline::Options options = commandline::parse(arguments);
    using commandline::Options;
    if (options.action == Options::Help || options.action == Options::Version ||
        options.action == Options::UsageError) {
        const bool refused = options.action == commandline::Options::UsageError;
        std::fputs(options.text.toLocal8Bit().constData(), refused ? stderr : stdout);
        return refused ? 2 : 0;
    }
    const auto findDatabase = [&options] {
        return commandline::findDatabase(
            options.database, QCoreApplication::applicationDirPath(),
            QStringLiteral(LISTRANO_INSTALL_BINDIR),
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                QStringLiteral("/listrano"));
    };
    if (options.action == Options::Backup || options.action == Options::Export ||
        options.action == Options::Import || options.action == Options::SyncSetup ||
        options.action == Options::Sync || options.action == Options::SyncOff) {
        QCoreApplication app(argc, argv); // no display needed
        return commandline::runTool(options, findDatabase().path);
    }

    growHeapInLargeSteps();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Listrano"));
    QApplication::setApplicationVersion(commandline::version());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/listrano.svg")));
    installQtTranslation(app);

    const commandline::DatabasePlace place = findDatabase();
    if (options.action == Options::ImportDialog)
        return transferdialogs::importContacts(place.path);
    if (options.action == Options::ExportDialog)
        return transferdialogs::exportContacts(place.path);
    if (options.action == Options::ImportFile)
        return transferdialogs::importFile(place.path, options.importFrom);
    if (options.action == Options::SyncDialog)
        return syncdialog::run(place.path);

    // The splash comes first; when its time is up it opens the contact window, or
    // ends the program with status 1 when the database cannot be opened.
    auto* splash = new frmAbertura;
    splash->setDatabase(place.path, place.created);
    splash->show();
    const int status = app.exec();
    // A last sync still under way when the contact window gave up waiting for
    // it: the program ends without it, and what it did not send goes next time.
    if (SyncRunner::anyRunning()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
