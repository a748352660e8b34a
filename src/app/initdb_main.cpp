// Puts an empty contact database at the given path. A contact database already
// there is left as it is (and said so); anything else there is refused.

#include "database.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

namespace {
// What lies at path when it is not a place for a new database, or a contact
// database already; empty when nothing is there.
QString whatIsThere(const QFileInfo& info)
{
    if (info.isSymLink() && !info.exists())
        return QStringLiteral("é um link para um arquivo que não existe");
    if (!info.exists())
        return QString();
    if (info.isDir())
        return QStringLiteral("é uma pasta");
    if (!info.isFile())
        return QStringLiteral("não é um arquivo comum (é um pipe, um socket ou um dispositivo)");
    return QStringLiteral("já existe e não é um banco de dados de contatos");
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    const QString usage = QStringLiteral(
        "Uso: listrano-initdb CAMINHO/Quelmar.mdb\n\n"
        "Cria um banco de dados de contatos vazio em CAMINHO, legível só pelo dono.\n"
        "Um banco de dados de contatos que já esteja lá fica como está.\n\n"
        "Opções:\n"
        "  -h, --help      Mostra esta ajuda e termina.\n"
        "  -v, --version   Mostra a versão e termina.\n");
    if (args.size() == 2 && (args.at(1) == "--help" || args.at(1) == "-h")) {
        out << usage;
        return 0;
    }
    if (args.size() == 2 && (args.at(1) == "--version" || args.at(1) == "-v")) {
        out << "listrano-initdb " LISTRANO_VERSION "\n";
        return 0;
    }
    // A path that looks like an option is a mistake, never a file to create.
    if (args.size() != 2 || args.at(1).startsWith(u'-')) {
        err << usage;
        return 2;
    }
    const QString path = args.at(1);
    const QFileInfo info(path);
    const QString there = whatIsThere(info);
    if (!there.isEmpty()) {
        if (info.isFile()) {
            const StoreError e = database::checkContactFile(path);
            if (!e) {
                out << "O banco de dados já existe: " << path << "\n";
                return 0;
            }
            err << "listrano-initdb: " << path << ": " << there << " (" << e.text << ")\n";
            return 1;
        }
        err << "listrano-initdb: " << path << ": " << there << "\n";
        return 1;
    }
    if (const StoreError e = database::createEmpty(path)) {
        err << "listrano-initdb: " << path << ": " << e.text << "\n";
        return 1;
    }
    return 0;
}
