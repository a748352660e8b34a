#include "backup.h"
#include "databaseplace.h"
#include "frmabertura.h"
#include "options.h"
#include "translation.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QStandardPaths>

#include <cstdio>

int main(int argc, char* argv[])
{
    // The command line is read before anything needs a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const commandline::Options options = commandline::parse(arguments);
    if (options.action != commandline::Options::Run &&
        options.action != commandline::Options::Backup) {
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
    if (options.action == commandline::Options::Backup) {
        QCoreApplication app(argc, argv); // no display needed
        const QString path = findDatabase().path;
        const StoreResult<qint64> copied = interchange::backup(path, options.backup);
        if (copied.error) {
            std::fputs(QStringLiteral("listrano: não foi possível copiar %1 para %2: %3\n")
                           .arg(path, options.backup, copied.error.text)
                           .toLocal8Bit()
                           .constData(),
                       stderr);
            return 1;
        }
        std::fputs(QStringLiteral("Cópia de segurança gravada em %1: %2 contatos.\n")
                       .arg(options.backup,
                            QLocale(QLocale::Portuguese, QLocale::Brazil).toString(copied.value))
                       .toLocal8Bit()
                       .constData(),
                   stdout);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Listrano"));
    QApplication::setApplicationVersion(commandline::version());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/listrano.svg")));
    installQtTranslation(app);

    const commandline::DatabasePlace place = findDatabase();

    // The splash comes first; when its time is up it opens the contact window, or
    // ends the program with status 1 when the database cannot be opened.
    auto* splash = new frmAbertura;
    splash->setDatabase(place.path, place.created);
    splash->show();
    return app.exec();
}
