#include "windowtest.h"

#include "contactrecord.h"
#include "filechooser.h"
#include "frmquelmar.h"
#include "launcher.h"
#include "messagebox.h"
#include "printing.h"
#include "testdb.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace windowtest {

QString databasePath()
{
    static const QTemporaryDir dir;
    return dir.filePath(contact::DatabaseFileName);
}

frmQuelmar* open(const QList<QStringList>& contacts)
{
    const QString path = databasePath();
    QFile::remove(path);
    testdb::createEmpty(path);
    for (const QStringList& contact : contacts)
        testdb::insertContact(path, contact);
    MessageBox::setTestMode(true);
    filechooser::setTestMode(true);
    printing::setTestMode(true);
    launcher::setTestMode(true);

    auto* window = new frmQuelmar;
    if (const StoreError e = window->Form_Load(path)) {
        QTest::qFail(qPrintable("Form_Load: " + e.text), __FILE__, __LINE__);
        delete window;
        return nullptr;
    }
    window->show();
    QApplication::setActiveWindow(window);
    if (!QTest::qWaitForWindowActive(window))
        QTest::qFail("the contact window did not become active", __FILE__, __LINE__);
    MessageBox::clearShown();
    filechooser::clearAsked();
    printing::clearAsked();
    launcher::clearAsked();
    return window;
}

void close(frmQuelmar*& window)
{
    delete window;
    window = nullptr;
    QFile::remove(databasePath());
}

void typeText(QWidget* widget, const QString& text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(ch.toUpper().unicode()), QString(ch),
                            Qt::NoModifier);
}

} // namespace windowtest
