#include "synctool.h"

#include "carddavclient.h"
#include "database.h"
#include "engine.h"
#include "progressline.h"
#include "syncstate.h"
#include "usersettings.h"

#include <QProcess>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace commandline {

namespace {
constexpr int Usage = 2;
constexpr int Failure = 1;

int refuse(const QString& why, int status = Failure)
{
    say(stderr, QStringLiteral("listrano: ") + why);
    return status;
}

QString explained(const StoreError& error)
{
    return error.withReason(QStringLiteral(" ("), QStringLiteral(")"));
}

// The password: the first line a command writes, or typed on the terminal
// without echo. Empty with why set when there is none.
QString password(const QString& command, const QString& user, const QString& host, QString* why)
{
    if (!command.isEmpty()) {
        QProcess p;
        p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0) {
            p.kill();
            *why = QStringLiteral("o comando da senha falhou: %1").arg(command);
            return {};
        }
        return QString::fromLocal8Bit(p.readAllStandardOutput()).section(u'\n', 0, 0);
    }
    if (!isatty(STDIN_FILENO)) {
        *why = QStringLiteral("falta a senha: sem um terminal para perguntá-la, dê um comando "
                              "que a escreva com --password-command.");
        return {};
    }
    std::fputs(QStringLiteral("Senha de %1 em %2: ").arg(user, host).toLocal8Bit().constData(),
               stderr);
    std::fflush(stderr);
    termios saved{};
    const bool quiet = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (quiet) {
        termios silent = saved;
        silent.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    char buffer[1024];
    const bool read = std::fgets(buffer, sizeof buffer, stdin) != nullptr;
    if (quiet)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputs("\n", stderr);
    if (!read) {
        *why = QStringLiteral("nenhuma senha foi digitada.");
        return {};
    }
    return QString::fromLocal8Bit(buffer).section(u'\n', 0, 0);
}

QString certificateHint(const carddav::Error& error)
{
    if (error.kind != carddav::Error::Certificate || error.fingerprint.isEmpty())
        return {};
    return QStringLiteral(" Se este é mesmo o certificado do servidor, confie nele com "
                          "--sync-setup ... --trust-certificate %1")
        .arg(QString::fromLatin1(error.fingerprint));
}

QString bookList(const QList<carddav::AddressBook>& books)
{
    QStringList lines;
    for (const carddav::AddressBook& b : books)
        lines << QStringLiteral("  %1 (%2)").arg(b.displayName, b.url.toString());
    return lines.join(u'\n');
}

bool namesBook(const carddav::AddressBook& book, const QString& name)
{
    const QString last = book.url.path().section(u'/', -2, -2, QString::SectionSkipEmpty);
    return book.displayName.compare(name, Qt::CaseInsensitive) == 0 ||
           book.url.path().split(u'/', Qt::SkipEmptyParts).value(-1) == name || last == name ||
           book.url.toString() == name;
}

int setupTool(const Options& options, const QString& path)
{
    QUrl url = QUrl::fromUserInput(options.syncUrl);
    if (!options.syncUrl.contains(QStringLiteral("://")))
        url = QUrl(options.syncUrl); // a bare domain: found through DNS
    QString user = options.user.isEmpty() ? url.userName() : options.user;
    if (user.isEmpty())
        return refuse(QStringLiteral("informe o usuário no servidor com --user NOME."), Usage);
    url.setUserInfo(QString());
    database::Connection connection(path, QStringLiteral("listrano-sync-setup"));
    if (connection.error())
        return refuse(explained(connection.error()));
    const StoreResult<bool> linked = syncstate::isSetUp(connection.db());
    if (linked.error)
        return refuse(explained(linked.error));
    if (linked.value) {
        const StoreResult<syncstate::Account> account = syncstate::account(connection.db());
        return refuse(QStringLiteral("este banco de dados já está ligado a %1 em %2; desligue-o "
                                     "com --sync-off antes de ligá-lo a outro catálogo.")
                          .arg(account.value.bookName, QUrl(account.value.bookUrl).host()));
    }
    usersettings::AccountSettings settings = usersettings::load(options.syncUrl, user);
    settings.passwordCommand = options.passwordCommand;
    if (!options.trustCertificate.isEmpty())
        settings.trustedCertificates.insert(
            url.host(), options.trustCertificate.toLatin1().toLower().replace(':', ""));
    QString why;
    const QString secret = password(settings.passwordCommand, user, url.host(), &why);
    if (!why.isEmpty())
        return refuse(why);

    carddav::Client client({url, user, secret, settings.trustedCertificates});
    const carddav::Result<carddav::Discovery> found = client.discover();
    if (!found.ok())
        return refuse(found.error.message + certificateHint(found.error));
    QList<carddav::AddressBook> books = found.value.books;
    if (!options.addressBook.isEmpty()) {
        QList<carddav::AddressBook> named;
        for (const carddav::AddressBook& b : books) {
            if (namesBook(b, options.addressBook))
                named << b;
        }
        if (named.isEmpty())
            return refuse(QStringLiteral("o servidor não tem o catálogo %1. Os catálogos são:\n%2")
                              .arg(options.addressBook, bookList(books)),
                          Usage);
        books = named;
    }
    if (books.isEmpty())
        return refuse(
            QStringLiteral("o servidor não tem nenhum catálogo de endereços para %1.").arg(user));
    if (books.size() > 1)
        return refuse(QStringLiteral("o servidor tem vários catálogos; escolha um com "
                                     "--addressbook NOME:\n%1")
                          .arg(bookList(books)),
                      Usage);
    const carddav::AddressBook& book = books.constFirst();
    if (const carddav::Error e = client.check(book.url); !e.ok())
        return refuse(e.message + certificateHint(e));

    syncstate::Account account;
    account.serverUrl = options.syncUrl;
    account.user = user;
    account.bookUrl = book.url.toString();
    account.bookName = book.displayName.isEmpty()
                           ? book.url.path().split(u'/', Qt::SkipEmptyParts).value(-1)
                           : book.displayName;
    if (const StoreError e = syncstate::setUp(connection.db(), account))
        return refuse(explained(e));
    if (const StoreError e = usersettings::save(options.syncUrl, user, settings))
        return refuse(QStringLiteral("não foi possível guardar as configurações em %1: %2")
                          .arg(usersettings::folder(), explained(e)));
    if (!found.value.otherHost.isEmpty())
        say(stdout,
            QStringLiteral("O servidor encaminhou a busca para %1.").arg(found.value.otherHost));
    say(stdout, QStringLiteral("Ligado ao catálogo %1 em %2. Sincronize com --sync.")
                    .arg(account.bookName, book.url.host()));
    return 0;
}

int syncTool(const Options& options, const QString& path)
{
    syncstate::Account account;
    {
        database::Connection connection(path, QStringLiteral("listrano-sync-account"));
        if (connection.error())
            return refuse(explained(connection.error()));
        const StoreResult<bool> linked = syncstate::isSetUp(connection.db());
        if (linked.error || !linked.value)
            return refuse(linked.error
                              ? explained(linked.error)
                              : QStringLiteral("este banco de dados não está ligado a "
                                               "nenhum catálogo; ligue-o com --sync-setup."));
        const StoreResult<syncstate::Account> read = syncstate::account(connection.db());
        if (read.error)
            return refuse(explained(read.error));
        account = read.value;
    }
    const QUrl bookUrl(account.bookUrl);
    const usersettings::AccountSettings settings =
        usersettings::load(account.serverUrl, account.user);
    QString why;
    const QString secret = password(settings.passwordCommand, account.user, bookUrl.host(), &why);
    if (!why.isEmpty())
        return refuse(why);
    carddav::Client client({bookUrl, account.user, secret, settings.trustedCertificates});
    ProgressLine line(QStringLiteral("Sincronizando"));
    syncengine::SyncOptions sync;
    sync.confirmDeletions = options.confirmDeletions;
    const interchange::Progress progress = line.progress();
    if (progress)
        sync.progress = [progress](qint64 done, qint64 total) { progress(done, total); };
    const syncengine::Summary summary = syncengine::synchronise(path, client, sync);
    line.clear();
    if (!summary.backup.isEmpty())
        say(stdout, QStringLiteral("Cópia de segurança feita antes de sincronizar: %1")
                        .arg(summary.backup));
    switch (summary.outcome) {
    case syncengine::Summary::Done:
        say(stdout, summary.text() + u'.');
        for (const QString& named : summary.named)
            say(stdout, named);
        return 0;
    case syncengine::Summary::StoppedBeforeDeleting:
        say(stderr, QStringLiteral("listrano: a sincronização parou antes de excluir %1; nada "
                                   "foi alterado. Se é isso mesmo, use --sync "
                                   "--confirm-deletions.")
                        .arg(contacts(summary.wouldDelete)));
        for (const QString& name : summary.toDelete)
            say(stderr, QStringLiteral("  ") + name);
        if (summary.wouldDelete > summary.toDelete.size())
            say(stderr, QStringLiteral("  … e mais %1.")
                            .arg(summary.wouldDelete - summary.toDelete.size()));
        return Failure;
    case syncengine::Summary::Busy:
        return refuse(summary.error);
    case syncengine::Summary::Failed:
        break;
    }
    // The reason first; what was done before it stays, and the rest goes next time.
    QString reason = summary.error;
    if (!reason.endsWith(u'.'))
        reason += u'.';
    return refuse(QStringLiteral("%1 A sincronização com %2 não terminou; o que faltou vai na "
                                 "próxima.")
                      .arg(reason, bookUrl.host()));
}

int offTool(const QString& path)
{
    database::Connection connection(path, QStringLiteral("listrano-sync-off"));
    if (connection.error())
        return refuse(explained(connection.error()));
    const StoreResult<bool> linked = syncstate::isSetUp(connection.db());
    if (linked.error)
        return refuse(explained(linked.error));
    if (!linked.value) {
        say(stdout, QStringLiteral("Este banco de dados não está ligado a nenhum catálogo."));
        return 0;
    }
    const StoreResult<syncstate::Account> account = syncstate::account(connection.db());
    if (const StoreError e = syncstate::tearDown(connection.db()))
        return refuse(explained(e));
    if (!account.error)
        (void)usersettings::forget(account.value.serverUrl, account.value.user);
    say(stdout,
        QStringLiteral("Sincronização desligada; os contatos continuam no banco de dados."));
    return 0;
}
} // namespace

int runSyncTool(const Options& options, const QString& database)
{
    switch (options.action) {
    case Options::SyncSetup:
        return setupTool(options, database);
    case Options::Sync:
        return syncTool(options, database);
    case Options::SyncOff:
        return offTool(database);
    default:
        return Usage;
    }
}

} // namespace commandline
