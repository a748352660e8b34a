#include "frmquelmar.h"
#include "messagebox.h"
#include "translation.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Listrano"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/listrano.svg")));
    installQtTranslation(app);

    frmQuelmar window;
    if (const StoreError error = window.Form_Load()) {
        const QString path = window.dataControl().DatabaseName();
        MessageBox::show(nullptr, frmQuelmar::openErrorText(path, error), ProgramTitle,
                         MessageBox::Critical);
        return 1;
    }
    window.show();
    return app.exec();
}
