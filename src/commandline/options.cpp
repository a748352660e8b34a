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
    "  --export-dialog      Pergunta numa janela para que arquivo exportar os contatos.\n");
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
    }
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
