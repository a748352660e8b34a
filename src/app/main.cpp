#include "frmabertura.h"
#include "translation.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Listrano"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/listrano.svg")));
    installQtTranslation(app);

    // The splash comes first; when its time is up it opens the contact window, or
    // ends the program with status 1 when the database cannot be opened.
    auto* splash = new frmAbertura;
    splash->show();
    return app.exec();
}
