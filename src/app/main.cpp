#include "backup.h"
#include "databaseplace.h"
#include "export.h"
#include "frmabertura.h"
#include "import.h"
#include "options.h"
#include "translation.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QStandardPaths>

#include <cstdio>

namespace {
void say(FILE* stream, const QString& text)
{
    std::fputs((text + u'\n').toLocal8Bit().constData(), stream);
}

// The command-line tools: a backup copy, or every contact out into a file.
int runTool(const commandline::Options& options, const QString& database)
{
    const auto contacts = [](qint64 count) {
        const QString number = QLocale(QLocale::Portuguese, QLocale::Brazil).toString(count);
        return number + (count == 1 ? QStringLiteral(" contato") : QStringLiteral(" contatos"));
    };
    if (options.action == commandline::Options::Backup) {
        const StoreResult<qint64> copied = interchange::backup(database, options.backup);
        if (copied.error) {
            say(stderr, QStringLiteral("listrano: não foi possível copiar %1 para %2: %3")
                            .arg(database, options.backup, copied.error.text));
            return 1;
        }
        say(stdout, QStringLiteral("Cópia de segurança gravada em %1: %2.")
                        .arg(options.backup, contacts(copied.value)));
        return 0;
    }
    if (options.action == commandline::Options::Import) {
        const interchange::ImportSummary summary =
            interchange::importFile(database, options.importFrom);
        if (summary.error) {
            say(stderr, QStringLiteral("listrano: nada foi importado de %1: %2")
                            .arg(options.importFrom, summary.error.text));
            return 1;
        }
        say(stdout, summary.text() + u'.');
        QStringList lines;
        for (const int line : summary.failedLines)
            lines << QString::number(line);
        if (!lines.isEmpty())
            say(stdout, QStringLiteral("Linhas com erro (sem nome ou com células a mais ou a "
                                       "menos): %1.")
                            .arg(lines.join(QStringLiteral(", "))));
        return 0;
    }
    interchange::Format format;
    if (!interchange::formatOf(options.exportTo, &format)) {
        say(stderr, QStringLiteral("listrano: o arquivo de exportação termina em .csv "
                                   "(planilha) ou .vcf (vCard): %1")
                        .arg(options.exportTo));
        return 2;
    }
    const StoreResult<qint64> written =
        interchange::exportContacts(database, options.exportTo, format);
    if (written.error) {
        say(stderr, QStringLiteral("listrano: não foi possível exportar para %1: %2")
                        .arg(options.exportTo, written.error.text));
        return 1;
    }
    say(stdout,
        QStringLiteral("Exportados para %1: %2.").arg(options.exportTo, contacts(written.value)));
    return 0;
}
} // namespace

int main(int argc, char* argv[])
{
    // The command line is read before anything needs a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const commandline::Options options = commandline::parse(arguments);
    if (options.action != commandline::Options::Run &&
        options.action != commandline::Options::Backup &&
        options.action != commandline::Options::Export &&
        options.action != commandline::Options::Import) {
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
    if (options.action != commandline::Options::Run) {
        QCoreApplication app(argc, argv); // no display needed
        return runTool(options, findDatabase().path);
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
