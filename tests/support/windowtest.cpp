#include "windowtest.h"

#include "frmquelmar.h"
#include "messagebox.h"
#include "testdb.h"

#include <QApplication>
#include <QFile>
#include <QTest>

namespace windowtest {

frmQuelmar* open(const QList<QStringList>& contacts)
{
    const QString path = frmQuelmar::databasePath();
    QFile::remove(path);
    testdb::createEmpty(path);
    for (const QStringList& contact : contacts)
        testdb::insertContact(path, contact);
    MessageBox::setTestMode(true);

    auto* window = new frmQuelmar;
    if (const StoreError e = window->Form_Load()) {
        QTest::qFail(qPrintable("Form_Load: " + e.text), __FILE__, __LINE__);
        delete window;
        return nullptr;
    }
    window->show();
    QApplication::setActiveWindow(window);
    if (!QTest::qWaitForWindowActive(window))
        QTest::qFail("the contact window did not become active", __FILE__, __LINE__);
    MessageBox::clearShown();
    return window;
}

void close(frmQuelmar*& window)
{
    delete window;
    window = nullptr;
    QFile::remove(frmQuelmar::databasePath());
}

void typeText(QWidget* widget, const QString& text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(ch.toUpper().unicode()), QString(ch),
                            Qt::NoModifier);
}

} // namespace windowtest
