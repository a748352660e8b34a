#include "options.h"

#include <QCommandLineParser>

namespace commandline {

QString version()
{
    return QStringLiteral(LISTRANO_VERSION);
}

namespace {
const QString Usage = QStringLiteral(
    "Uso: listrano [opções]\n"
    "     listrano ARQUIVO\n"
    "\n"
    "Listrano: catálogo de endereços, um contato por vez.\n"
    "\n"
    "Com um ARQUIVO vCard (.vcf) ou uma planilha CSV (.csv) e nenhuma opção, pergunta\n"
    "numa janela se importa os contatos do arquivo, importa e termina.\n"
    "\n"
    "Opções:\n"
    "  -h, --help           Mostra esta ajuda e termina.\n"
    "  -v, --version        Mostra a versão e termina.\n"
    "  --database CAMINHO   Usa o banco de dados de contatos em CAMINHO.\n"
    "  --backup ARQUIVO     Grava em ARQUIVO uma cópia de segurança do banco de dados,\n"
    "                       mesmo com o programa aberto, e termina.\n"
    "  --export ARQUIVO     Grava todos os contatos em ARQUIVO.csv (planilha) ou\n"
    "                       ARQUIVO.vcf (vCard) e termina.\n"
    "  --force              Com --export, substitui um arquivo que já exista.\n"
    "  --import ARQUIVO     Acrescenta os contatos de uma planilha CSV, de um arquivo\n"
    "                       vCard ou de um banco de dados do Access e termina.\n"
    "  --table NOME         Com --import, a tabela do Access de onde vêm os contatos\n"
    "                       (sem ela, a tabela tblQuelmar).\n"
    "  --import-dialog      Pergunta numa janela de que arquivo importar os contatos.\n"
    "  --export-dialog      Pergunta numa janela para que arquivo exportar os contatos.\n"
    "\n"
    "Sincronização com um catálogo de endereços num servidor CardDAV:\n"
    "  --sync-setup URL     Procura o catálogo no servidor em URL (ou num domínio),\n"
    "                       confere o usuário e a senha e liga o banco de dados a ele.\n"
    "  --user NOME          Com --sync-setup, o usuário no servidor.\n"
    "  --addressbook NOME   Com --sync-setup, o catálogo a usar, quando há vários.\n"
    "  --password-command CMD\n"
    "                       Com --sync-setup, o comando que dá a senha (a primeira\n"
    "                       linha do que escreve), guardado nas configurações do\n"
    "                       usuário; sem ele, a senha é perguntada no terminal e\n"
    "                       guardada no chaveiro da sessão, quando há um.\n"
    "  --trust-certificate SHA256\n"
    "                       Com --sync-setup, confia no certificado do servidor com\n"
    "                       esta impressão digital SHA-256, só para este servidor.\n"
    "  --sync               Sincroniza os contatos nos dois sentidos e termina.\n"
    "  --confirm-deletions  Com --sync, exclui mesmo quando são muitos os contatos a\n"
    "                       excluir.\n"
    "  --sync-off           Desliga a sincronização: esquece a conta, os vínculos e a\n"
    "                       senha guardada; os contatos ficam.\n"
    "  --sync-dialog        Abre a janela da sincronização: servidor, usuário, senha,\n"
    "                       sincronizar agora e desligar.\n");
} // namespace

Options parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption showVersion({QStringLiteral("v"), QStringLiteral("version")},
                                         QString());
    const QCommandLineOption database(QStringLiteral("database"), QString(),
                                      QStringLiteral("CAMINHO"));
    parser.addOption(help);
    parser.addOption(showVersion);
    parser.addOption(database);
    const QCommandLineOption backup(QStringLiteral("backup"), QString(), QStringLiteral("ARQUIVO"));
    parser.addOption(backup);
    const QCommandLineOption exportTo(QStringLiteral("export"), QString(),
                                      QStringLiteral("ARQUIVO"));
    parser.addOption(exportTo);
    const QCommandLineOption importFrom(QStringLiteral("import"), QString(),
                                        QStringLiteral("ARQUIVO"));
    parser.addOption(importFrom);
    const QCommandLineOption table(QStringLiteral("table"), QString(), QStringLiteral("NOME"));
    parser.addOption(table);
    const QCommandLineOption importDialog(QStringLiteral("import-dialog"), QString());
    parser.addOption(importDialog);
    const QCommandLineOption exportDialog(QStringLiteral("export-dialog"), QString());
    parser.addOption(exportDialog);
    const QCommandLineOption force(QStringLiteral("force"), QString());
    parser.addOption(force);
    const QCommandLineOption syncSetup(QStringLiteral("sync-setup"), QString(),
                                       QStringLiteral("URL"));
    const QCommandLineOption user(QStringLiteral("user"), QString(), QStringLiteral("NOME"));
    const QCommandLineOption addressBook(QStringLiteral("addressbook"), QString(),
                                         QStringLiteral("NOME"));
    const QCommandLineOption passwordCommand(QStringLiteral("password-command"), QString(),
                                             QStringLiteral("CMD"));
    const QCommandLineOption trust(QStringLiteral("trust-certificate"), QString(),
                                   QStringLiteral("SHA256"));
    const QCommandLineOption sync(QStringLiteral("sync"), QString());
    const QCommandLineOption confirm(QStringLiteral("confirm-deletions"), QString());
    const QCommandLineOption syncOff(QStringLiteral("sync-off"), QString());
    const QCommandLineOption syncDialog(QStringLiteral("sync-dialog"), QString());
    parser.addOptions(
        {syncSetup, user, addressBook, passwordCommand, trust, sync, confirm, syncOff, syncDialog});

    Options options;
    const auto refuse = [&options](const QString& why) {
        options.action = Options::UsageError;
        options.text = QStringLiteral("listrano: ") + why + QStringLiteral("\n\n") + Usage;
    };
    if (!parser.parse(arguments)) {
        if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty())
            refuse(QStringLiteral("opção desconhecida: ") +
                   (unknown.constFirst().size() > 1 ? QStringLiteral("--") : QStringLiteral("-")) +
                   unknown.constFirst());
        else
            refuse(QStringLiteral("falta o valor de uma opção"));
    } else if (parser.positionalArguments().size() == 1 && arguments.size() == 2) {
        options.action = Options::ImportFile;
        options.importFrom = parser.positionalArguments().constFirst();
    } else if (!parser.positionalArguments().isEmpty()) {
        refuse(QStringLiteral("argumento não esperado: ") +
               parser.positionalArguments().constFirst());
    } else if (parser.isSet(help)) {
        options.action = Options::Help;
        options.text = Usage;
    } else if (parser.isSet(showVersion)) {
        options.action = Options::Version;
        options.text = QStringLiteral("listrano ") + version() + QStringLiteral("\n");
    } else if (parser.isSet(backup)) {
        options.action = Options::Backup;
        options.backup = parser.value(backup);
    } else if (parser.isSet(exportTo)) {
        options.action = Options::Export;
        options.exportTo = parser.value(exportTo);
    } else if (parser.isSet(importFrom)) {
        options.action = Options::Import;
        options.importFrom = parser.value(importFrom);
    } else if (parser.isSet(importDialog)) {
        options.action = Options::ImportDialog;
    } else if (parser.isSet(exportDialog)) {
        options.action = Options::ExportDialog;
    } else if (parser.isSet(syncSetup)) {
        options.action = Options::SyncSetup;
        options.syncUrl = parser.value(syncSetup);
    } else if (parser.isSet(sync)) {
        options.action = Options::Sync;
    } else if (parser.isSet(syncOff)) {
        options.action = Options::SyncOff;
    } else if (parser.isSet(syncDialog)) {
        options.action = Options::SyncDialog;
    }
    for (const QCommandLineOption* setupOnly : {&user, &addressBook, &passwordCommand, &trust}) {
        if (parser.isSet(*setupOnly) && options.action != Options::SyncSetup &&
            options.action != Options::UsageError)
            refuse(QStringLiteral("--%1 só vale com --sync-setup").arg(setupOnly->names().first()));
    }
    if (parser.isSet(confirm) && options.action != Options::Sync &&
        options.action != Options::UsageError)
        refuse(QStringLiteral("--confirm-deletions só vale com --sync"));
    options.user = parser.value(user);
    options.addressBook = parser.value(addressBook);
    options.passwordCommand = parser.value(passwordCommand);
    options.trustCertificate = parser.value(trust);
    options.confirmDeletions = parser.isSet(confirm);
    if (parser.isSet(table) && options.action != Options::Import &&
        options.action != Options::UsageError)
        refuse(QStringLiteral("--table só vale com --import"));
    if (parser.isSet(force) && options.action != Options::Export &&
        options.action != Options::UsageError)
        refuse(QStringLiteral("--force só vale com --export"));
    options.force = parser.isSet(force);
    options.table = parser.value(table);
    options.database = parser.value(database);
    return options;
}

} // namespace commandline
