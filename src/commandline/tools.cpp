#include "tools.h"

#include "backup.h"
#include "export.h"
#include "import.h"
#include "progressline.h"
#include "synctool.h"
#include "usertexts.h"

#include <cstdio>
#include <unistd.h>

namespace commandline {

namespace {

int backupTool(const Options& options, const QString& database)
{
    const StoreResult<qint64> copied = interchange::backup(database, options.backup);
    if (copied.error) {
        say(stderr, QStringLiteral("listrano: não foi possível copiar %1 para %2: %3")
                        .arg(database, options.backup, copied.error.explained()));
        return 1;
    }
    say(stdout, QStringLiteral("Cópia de segurança gravada em %1: %2.")
                    .arg(options.backup, contacts(copied.value)));
    return 0;
}

int importTool(const Options& options, const QString& database)
{
    ProgressLine line(QStringLiteral("Importando"));
    const interchange::ImportSummary summary =
        interchange::importFile(database, options.importFrom, {options.table, line.progress()});
    line.clear();
    if (summary.error) {
        QString why = summary.error.explained();
        if (!summary.tables.isEmpty())
            why += QStringLiteral(" Escolha uma com --table NOME.");
        say(stderr,
            QStringLiteral("listrano: nada foi importado de %1: %2").arg(options.importFrom, why));
        return 1;
    }
    say(stdout, summary.text() + u'.');
    if (!summary.failedLines.isEmpty())
        say(stdout, interchange::failedLinesText(summary.source, summary.failedLines));
    if (summary.leftOut > 0)
        say(stdout, summary.leftOutText());
    if (!summary.windows1252Lines.isEmpty())
        say(stdout, summary.windows1252Text() + u'.');
    return 0;
}

int exportTool(const Options& options, const QString& database)
{
    interchange::Format format;
    if (!interchange::formatOf(options.exportTo, &format)) {
        say(stderr, QStringLiteral("listrano: %1: %2")
                        .arg(interchange::exportSuffixText(), options.exportTo));
        return 2;
    }
    ProgressLine line(QStringLiteral("Exportando"));
    const StoreResult<qint64> written = interchange::exportContacts(
        database, options.exportTo, format, line.progress(),
        options.force ? interchange::Existing::Replace : interchange::Existing::Refuse);
    line.clear();
    if (written.error.kind == StoreError::FileExists) {
        say(stderr,
            QStringLiteral("listrano: %1 Para substituí-lo, use --force.").arg(written.error.text));
        return 1;
    }
    if (written.error) {
        say(stderr, QStringLiteral("listrano: não foi possível exportar para %1: %2")
                        .arg(options.exportTo, written.error.explained()));
        return 1;
    }
    say(stdout,
        QStringLiteral("Exportados para %1: %2.").arg(options.exportTo, contacts(written.value)));
    return 0;
}
} // namespace

int runTool(const Options& options, const QString& database)
{
    if (const auto problem = interchange::databaseProblem(database); !problem.what.isEmpty()) {
        say(stderr, QStringLiteral("listrano: ") + problem.what + u' ' + problem.remedy);
        return 1;
    }
    switch (options.action) {
    case Options::Backup:
        return backupTool(options, database);
    case Options::Import:
        return importTool(options, database);
    case Options::Export:
        return exportTool(options, database);
    case Options::SyncSetup:
    case Options::Sync:
    case Options::SyncOff:
        return runSyncTool(options, database);
    default:
        return 2;
    }
}

} // namespace commandline
