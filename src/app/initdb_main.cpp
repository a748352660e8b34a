// Puts an empty contact database at the given path, unless a file is already there.

#include "database.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "uso: listrano-initdb CAMINHO/Quelmar.mdb\n";
        return 2;
    }
    const QString path = args.at(1);
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return 0;
    if (const StoreError e = database::createEmpty(path)) {
        err << "listrano-initdb: " << path << ": " << e.text << "\n";
        return 1;
    }
    return 0;
}
