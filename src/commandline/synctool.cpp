#include "synctool.h"

#include "carddavclient.h"
#include "engine.h"
#include "progressline.h"
#include "syncpassword.h"
#include "syncsetup.h"
#include "syncstate.h"

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

// The password typed on the terminal without echo. Empty with why set when
// there is none.
QString typedPassword(const QString& user, const QString& host, QString* why)
{
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

QString linkedText(const syncstate::Account& account)
{
    return QStringLiteral("este banco de dados já está ligado a %1 em %2; desligue-o com "
                          "--sync-off antes de ligá-lo a outro catálogo.")
        .arg(account.bookName, QUrl(account.bookUrl).host());
}

int setupTool(const Options& options, const QString& path)
{
    const auto [url, user] = syncsetup::addressAndUser(options.syncUrl, options.user);
    if (user.isEmpty())
        return refuse(QStringLiteral("informe o usuário no servidor com --user NOME."), Usage);
    const StoreResult<std::optional<syncstate::Account>> linked = syncsetup::linkedAccount(path);
    if (linked.error)
        return refuse(linked.error.explained());
    if (linked.value)
        return refuse(linkedText(*linked.value));
    QString why;
    const QString secret = options.passwordCommand.isEmpty()
                               ? typedPassword(user, url.host(), &why)
                               : syncpassword::fromCommand(options.passwordCommand, &why);
    if (!why.isEmpty())
        return refuse(why);

    syncsetup::Request request;
    request.address = options.syncUrl;
    request.user = user;
    request.password = secret;
    request.addressBook = options.addressBook;
    request.passwordCommand = options.passwordCommand;
    if (!options.trustCertificate.isEmpty())
        request.trustCertificates.insert(url.host(), options.trustCertificate.toLatin1());
    const syncsetup::Result setUp = syncsetup::setUp(path, request);
    switch (setUp.problem) {
    case syncsetup::Result::None:
        break;
    case syncsetup::Result::AlreadyLinked:
        return refuse(linkedText(setUp.account));
    case syncsetup::Result::Server:
        return refuse(setUp.error.message + certificateHint(setUp.error));
    case syncsetup::Result::SeveralBooks:
        return refuse(QStringLiteral("o servidor tem vários catálogos; escolha um com "
                                     "--addressbook NOME:\n%1")
                          .arg(syncsetup::bookList(setUp.books)),
                      Usage);
    case syncsetup::Result::NoUser:
    case syncsetup::Result::NoSuchBook:
        return refuse(setUp.message, Usage);
    case syncsetup::Result::NoBook:
    case syncsetup::Result::Store:
        return refuse(setUp.message);
    }
    if (!setUp.otherHost.isEmpty())
        say(stdout, QStringLiteral("O servidor encaminhou a busca para %1.").arg(setUp.otherHost));
    if (options.passwordCommand.isEmpty()) {
        const keyring::Answer kept = syncpassword::keep(options.syncUrl, user, secret, true);
        say(stdout, kept.ok() ? QStringLiteral("Senha guardada no chaveiro.")
                              : QStringLiteral("A senha não foi guardada: %1 Ela será "
                                               "perguntada a cada --sync.")
                                    .arg(kept.detail));
    }
    say(stdout, QStringLiteral("Ligado ao catálogo %1 em %2. Sincronize com --sync.")
                    .arg(setUp.account.bookName, QUrl(setUp.account.bookUrl).host()));
    return 0;
}

int syncTool(const Options& options, const QString& path)
{
    const StoreResult<std::optional<syncstate::Account>> linked = syncsetup::linkedAccount(path);
    if (linked.error || !linked.value)
        return refuse(linked.error ? linked.error.explained()
                                   : QStringLiteral("este banco de dados não está ligado a "
                                                    "nenhum catálogo; ligue-o com --sync-setup."));
    const syncstate::Account& account = *linked.value;
    const QUrl bookUrl(account.bookUrl);
    const syncpassword::Found found = syncpassword::find(account.serverUrl, account.user);
    if (!found.error.isEmpty())
        return refuse(found.error);
    QString why;
    const QString secret = found.source == syncpassword::Found::None
                               ? typedPassword(account.user, bookUrl.host(), &why)
                               : found.password;
    if (!why.isEmpty())
        return refuse(why);
    carddav::Client client(syncsetup::clientAccount(account, secret));
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
    const StoreResult<std::optional<syncstate::Account>> off = syncsetup::turnOff(path);
    if (off.error)
        return refuse(off.error.explained());
    if (!off.value) {
        say(stdout, QStringLiteral("Este banco de dados não está ligado a nenhum catálogo."));
        return 0;
    }
    if (!off.value->serverUrl.isEmpty())
        (void)syncpassword::forget(off.value->serverUrl, off.value->user);
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
