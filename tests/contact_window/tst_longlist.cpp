#include "combolist.h"
#include "contactrecord.h"
#include "frmquelmar.h"
#include "messagebox.h"
#include "nameblock.h"
#include "windowtest.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

// The lookup over a book of a million contacts: the list makes a text only of
// the names it shows or compares, and a Consultar with the table unchanged keeps
// the list and its index.
class TestLongList : public QObject {
    Q_OBJECT

private slots:
    void namesMadeOnlyAsNeeded();
    void cleanup() { windowtest::close(m_window); }

private:
    // count contacts named "Nome <n>" added through a connection of the test's own,
    // the last one LastName.
    static void addContacts(int count);
    template <typename T = QWidget> T* child(const char* name) const
    {
        return m_window->findChild<T*>(QLatin1String(name));
    }
    frmQuelmar* m_window = nullptr;
};

namespace {
const int Contacts = 1'000'000;
const QString LastName = QStringLiteral("Zuleica Derradeira");
} // namespace

void TestLongList::addContacts(int count)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "fill");
        db.setDatabaseName(windowtest::databasePath());
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("BEGIN"));
        QVERIFY(q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (?)")
                              .arg(contact::TableName, contact::column(contact::Nome))));
        for (int i = 0; i < count; ++i) {
            q.addBindValue(i == count - 1 ? LastName : QStringLiteral("Nome %1").arg(i));
            QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
        }
        QVERIFY(q.exec("COMMIT"));
    }
    QSqlDatabase::removeDatabase("fill");
}

void TestLongList::namesMadeOnlyAsNeeded()
{
    m_window = windowtest::open({{"Primeiro"}});
    QVERIFY(m_window);
    auto* cboNome = child<QComboBox>("cboNome");
    auto* consultar = child<QAbstractButton>("cmdConsultar");
    consultar->click();
    QCOMPARE(cboNome->count(), 1);
    // Written by another connection: the next Consultar reads the list anew.
    addContacts(Contacts - 1);
    const quint64 before = NameBlock::textsMade();

    consultar->click();
    QCOMPARE(cboNome->count(), Contacts);
    QTRY_VERIFY_WITH_TIMEOUT(combolist::searchIndexReady(cboNome), 60000);
    m_window->searchHelper()->AttachTo(cboNome);
    windowtest::typeText(cboNome, "zu");
    QCOMPARE(cboNome->currentText(), LastName);
    cboNome->showPopup();
    QTRY_VERIFY(cboNome->view()->isVisible());
    cboNome->hidePopup();

    // The same table: the list and its index stay as they are.
    consultar->click();
    QVERIFY(combolist::searchIndexReady(cboNome));
    QCOMPARE(cboNome->count(), Contacts);
    QCOMPARE(cboNome->currentText(), LastName);

    // Shown, then deleted: the name leaves the list.
    m_window->cboNome_LostFocus();
    QCOMPARE(child<QLineEdit>("txtNome")->text(), LastName);
    MessageBox::setNextAnswer(MessageBox::Yes);
    child<QAbstractButton>("cmdExcluir")->click();
    QCOMPARE(cboNome->count(), Contacts - 1);
    QCOMPARE(cboNome->itemText(Contacts - 2), QStringLiteral("Nome %1").arg(Contacts - 3));

    const quint64 made = NameBlock::textsMade() - before;
    qInfo("names made: %llu", made);
    QVERIFY2(made < 1000, qPrintable(QString::number(made)));

    // Deleted through the program: the next Consultar reads the list anew.
    consultar->click();
    QVERIFY(!combolist::namesSource(cboNome).isEmpty());
    QCOMPARE(cboNome->count(), Contacts - 1);
}

QTEST_MAIN(TestLongList)
#include "tst_longlist.moc"
