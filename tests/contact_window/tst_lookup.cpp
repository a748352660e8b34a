#include "contactrecord.h"
#include "frmquelmar.h"
#include "messagebox.h"
#include "testdb.h"
#include "windowtest.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

namespace {
const QString NotFound = QStringLiteral("Registro não encontrado ou cadastrado no Listrano");
using windowtest::typeText;
} // namespace

// Consultar and the seek on leaving the list, Enter as Tab, and closing.
class TestLookup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void emptyTable();
    void seek_data();
    void seek();
    void givenUp_data();
    void givenUp();
    void secondLookupShowsNameAgain();
    void duplicateNamesShowFirstStored();
    void lookupAsTyped_data();
    void lookupAsTyped();
    void pageTurnedDuringLookup();
    void unsavedChangesAsked_data();
    void unsavedChangesAsked();
    void lookupAbandonsPendingRow();
    void clickAwayFromUnknownName();
    void missingIndexIsReported();
    void stateListsComplete();
    void enterMovesOnLikeTab();
    void enterReachesNoControl();
    void closing_data();
    void closing();

private:
    template <typename T = QWidget> T* child(const char* name) const
    {
        return m_window->findChild<T*>(QLatin1String(name));
    }
    QComboBox* cboNome() const { return child<QComboBox>("cboNome"); }
    void open(const QList<QStringList>& contacts);
    void press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }

    QString m_dbPath;
    frmQuelmar* m_window = nullptr;
};

void TestLookup::initTestCase()
{
    m_dbPath = windowtest::databasePath();
}

void TestLookup::open(const QList<QStringList>& contacts)
{
    m_window = windowtest::open(contacts);
    QVERIFY(m_window);
}

void TestLookup::cleanup()
{
    windowtest::close(m_window);
}

void TestLookup::emptyTable()
{
    open({});
    m_window->Ativar();
    child<QAbstractButton>("cmdConsultar")->click();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().at(0).text, QString("Não há registro para Pesquisar"));
    QCOMPARE(MessageBox::shown().at(0).title, QString("Erro de Pesquisa"));
    QVERIFY(cboNome()->isHidden());
    QVERIFY(!child("txtNome")->isEnabled());
    QTRY_COMPARE(QApplication::focusWidget(), child("cmdNovo"));
}

void TestLookup::seek_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("name");
    QTest::newRow("completed from a prefix") << "ma" << true << "Maria das Dores";
    QTest::newRow("other letter case") << "JOSÉ" << true << "José Antônio";
    QTest::newRow("whole name") << "Ana" << true << "Ana";
    QTest::newRow("not stored") << "Zuleica" << false << "";
}

// The user types into the list and leaves it with Enter.
void TestLookup::seek()
{
    QFETCH(QString, typed);
    QFETCH(bool, found);
    QFETCH(QString, name);
    open({{"Ana", "ana@example.com"},
          {"Maria das Dores", "maria@example.com", "Rua das Flores"},
          {"José Antônio", "jose@example.com"}});
    child<QTabWidget>("tabQuelmar")->setCurrentIndex(2);
    child<QAbstractButton>("cmdConsultar")->click();

    QCOMPARE(child<QTabWidget>("tabQuelmar")->currentIndex(), 0);
    QVERIFY(cboNome()->isVisible());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(cboNome()));
    QCOMPARE(cboNome()->count(), 3);
    typeText(cboNome(), typed);
    press(Qt::Key_Return);

    if (found) {
        QTRY_VERIFY(cboNome()->isHidden());
        QCOMPARE(child<QLineEdit>("txtNome")->text(), name);
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(!child<QLineEdit>("txtEmail")->text().isEmpty());
        QVERIFY(!child("txtNome")->isEnabled()); // shown, not editable
    } else {
        QTRY_COMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().at(0).text, NotFound);
        QCOMPARE(MessageBox::shown().at(0).title, QString("Consulta de Registro na Agenda"));
        QVERIFY(cboNome()->isVisible());
        QCOMPARE(cboNome()->currentText(), QString());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(cboNome()));
        QCOMPARE(cboNome()->count(), 3);
    }
}

void TestLookup::givenUp_data()
{
    QTest::addColumn<QString>("before"); // the contact on show before the lookup
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("shown"); // the name on show after
    const QList<int> escape = {Qt::Key_Escape};
    QTest::newRow("Escape, Bia back") << "Bia"
                                      << "An" << escape << "Bia";
    QTest::newRow("Escape, nothing before") << ""
                                            << "An" << escape << "";
    QTest::newRow("Escape, Bia deleted since") << "Bia, deleted"
                                               << "An" << escape << "";
    QTest::newRow("Escape, Bia changed since") << "Bia, changed"
                                               << "" << escape << "Bia Nova";
    QTest::newRow("Enter, emptied") << "Bia"
                                    << "" << QList<int>{Qt::Key_Return} << "Bia";
    QTest::newRow("Tab, emptied") << ""
                                  << "" << QList<int>{Qt::Key_Tab} << "";
    QTest::newRow("Escape, drop-down open first")
        << "Bia"
        << "" << QList<int>{Qt::Key_F4, Qt::Key_Escape, Qt::Key_Escape} << "Bia";
}

// Escape, or the list left empty, ends a lookup without a seek: the contact shown
// before comes back as stored, the window locked, the focus on Consultar.
void TestLookup::givenUp()
{
    QFETCH(QString, before);
    QFETCH(QString, typed);
    QFETCH(QList<int>, keys);
    QFETCH(QString, shown);
    open({{"Ana", "ana@example.com"}, {"Bia", "bia@example.com"}});
    if (!before.isEmpty()) {
        child<QAbstractButton>("cmdConsultar")->click();
        typeText(cboNome(), "Bia");
        press(Qt::Key_Return);
        QTRY_VERIFY(cboNome()->isHidden());
        if (before.endsWith("deleted"))
            testdb::query(m_dbPath, "DELETE FROM tblQuelmar WHERE Nome = 'Bia'");
        if (before.endsWith("changed"))
            testdb::query(m_dbPath, "UPDATE tblQuelmar SET Nome = 'Bia Nova' WHERE Nome = 'Bia'");
        child<QAbstractButton>("cmdEditar")->click(); // and nothing changed
    }
    MessageBox::clearShown();
    child<QAbstractButton>("cmdConsultar")->click();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(cboNome()));
    cboNome()->lineEdit()->selectAll();
    press(Qt::Key_Delete);
    typeText(cboNome(), typed);
    for (int i = 0; i < keys.size(); ++i) {
        // A first Escape with the drop-down open only closes it.
        QVERIFY(cboNome()->isVisible());
        press(Qt::Key(keys.at(i)));
        if (keys.at(i) == Qt::Key_F4)
            QTRY_VERIFY(cboNome()->view()->isVisible());
        else
            QTRY_VERIFY(!cboNome()->view()->isVisible());
    }

    QTRY_VERIFY(cboNome()->isHidden());
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(child<QLineEdit>("txtNome")->text(), shown);
    QVERIFY(!child("txtNome")->isEnabled());
    QVERIFY(child("cmdNovo")->isEnabled());
    QVERIFY(child("cmdEditar")->isEnabled());
    QTRY_COMPARE(QApplication::focusWidget(), child("cmdConsultar"));
    // Modificar acts on the contact shown, as stored.
    child<QAbstractButton>("cmdEditar")->click();
    QCOMPARE(MessageBox::shown().isEmpty(), !shown.isEmpty());
    if (!shown.isEmpty()) {
        child<QLineEdit>("txtEmail")->setText("nova@example.com");
        child<QAbstractButton>("cmdSalvar")->click();
        QCOMPARE(
            testdb::query(m_dbPath, "SELECT Email FROM tblQuelmar WHERE Nome = '" + shown + "'")
                .value(0)
                .value(0)
                .toString(),
            QString("nova@example.com"));
    }
}

void TestLookup::secondLookupShowsNameAgain()
{
    open({{"Ana", "ana@example.com"}, {"Bia", "bia@example.com"}});
    child<QAbstractButton>("cmdConsultar")->click();
    typeText(cboNome(), "b");
    press(Qt::Key_Return);
    QTRY_VERIFY(cboNome()->isHidden());

    child<QAbstractButton>("cmdConsultar")->click();
    QCOMPARE(cboNome()->currentText(), QString("Bia"));
    QCOMPARE(cboNome()->count(), 2); // emptied before it was filled again
    m_window->Limpar();
    press(Qt::Key_Return);
    QTRY_VERIFY(cboNome()->isHidden());
    QCOMPARE(child<QLineEdit>("txtEmail")->text(), QString("bia@example.com"));
}

void TestLookup::duplicateNamesShowFirstStored()
{
    open({{"Bia", "primeira@example.com"}, {"Ana"}, {"Bia", "segunda@example.com"}});
    child<QAbstractButton>("cmdConsultar")->click();
    QCOMPARE(cboNome()->count(), 3);
    typeText(cboNome(), "Bia");
    press(Qt::Key_Tab);
    QTRY_VERIFY(cboNome()->isHidden());
    QCOMPARE(child<QLineEdit>("txtEmail")->text(), QString("primeira@example.com"));
}

// Lookups one after the other, each step how the user leaves the list with Enter:
// "" at once, "type:" keys typed, "paste:" text put in whole, "pick:" an item
// chosen from the list.
void TestLookup::lookupAsTyped_data()
{
    QTest::addColumn<QStringList>("lookups");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("email");
    // clang-format off
    QTest::newRow("pasted in other letters")
        << QStringList({"paste:BEATRIZ SOUZA"}) << "Beatriz Souza" << "beatriz@example.com";
    QTest::newRow("accents in other letters")
        << QStringList({"paste:JOSÉ ÂNGELO"}) << "José Ângelo" << "jose@example.com";
    QTest::newRow("the second of two equal names")
        << QStringList({"pick:2"}) << "Ana Souza" << "segunda@example.com";
    QTest::newRow("the same one again at once")
        << QStringList({"pick:2", ""}) << "Ana Souza" << "segunda@example.com";
    QTest::newRow("typed straight after Consultar")
        << QStringList({"type:b", "type:j"}) << "José Ângelo" << "jose@example.com";
    QTest::newRow("pasted with a blank after")
        << QStringList({"paste:Beatriz Souza "}) << "Beatriz Souza" << "beatriz@example.com";
    QTest::newRow("pasted without accents")
        << QStringList({"paste: jose angelo"}) << "José Ângelo" << "jose@example.com";
    QTest::newRow("typed without accents")
        << QStringList({"type:jose angelo"}) << "José Ângelo" << "jose@example.com";
    QTest::newRow("stored with a blank, sought as stored")
        << QStringList({"paste:Bia "}) << "Bia " << "bia.branco@example.com";
    // clang-format on
}

void TestLookup::lookupAsTyped()
{
    QFETCH(QStringList, lookups);
    QFETCH(QString, name);
    QFETCH(QString, email);
    open({{"Ana Souza", "primeira@example.com"},
          {"Beatriz Souza", "beatriz@example.com"},
          {"Ana Souza", "segunda@example.com"},
          {"José Ângelo", "jose@example.com"},
          {"Bia", "bia@example.com"},
          {"Bia ", "bia.branco@example.com"}});
    for (const QString& step : lookups) {
        child<QAbstractButton>("cmdConsultar")->click();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(cboNome()));
        const QString arg = step.section(':', 1);
        if (step.startsWith("type:"))
            typeText(cboNome(), arg);
        else if (step.startsWith("paste:"))
            cboNome()->setEditText(arg);
        else if (step.startsWith("pick:"))
            cboNome()->setCurrentIndex(arg.toInt());
        press(Qt::Key_Return);
        QTRY_VERIFY(cboNome()->isHidden());
    }
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(child<QLineEdit>("txtNome")->text(), name);
    QCOMPARE(child<QLineEdit>("txtEmail")->text(), email);
}

// Alt+D turns to the home page while the list holds a name not stored: after the
// message the list has the focus again, on its page.
void TestLookup::pageTurnedDuringLookup()
{
    open({{"Ana"}});
    child<QAbstractButton>("cmdConsultar")->click();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(cboNome()));
    typeText(cboNome(), "zz");
    QTest::keyClick(cboNome(), Qt::Key_D, Qt::AltModifier);
    QTRY_COMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().at(0).text, NotFound);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(cboNome()));
    QCOMPARE(child<QTabWidget>("tabQuelmar")->currentIndex(), 0);
}

void TestLookup::unsavedChangesAsked_data()
{
    QTest::addColumn<QString>("command"); // that started the contact
    QTest::addColumn<bool>("changed");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("goesOn"); // the lookup

    const int yes = MessageBox::Yes;
    const int no = MessageBox::No;
    QTest::newRow("new, nothing typed") << "cmdNovo" << false << 0 << false << true;
    QTest::newRow("new, typed, No") << "cmdNovo" << true << no << true << false;
    QTest::newRow("new, typed, Yes") << "cmdNovo" << true << yes << true << true;
    QTest::newRow("modified, No") << "cmdEditar" << true << no << true << false;
    QTest::newRow("modified, Yes") << "cmdEditar" << true << yes << true << true;
    QTest::newRow("modified, nothing changed") << "cmdEditar" << false << 0 << false << true;
}

void TestLookup::unsavedChangesAsked()
{
    QFETCH(QString, command);
    QFETCH(bool, changed);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, goesOn);
    open({{"Ana", "ana@example.com"}});
    if (command == "cmdEditar") {
        child<QAbstractButton>("cmdConsultar")->click();
        typeText(cboNome(), "a");
        press(Qt::Key_Return);
        QTRY_VERIFY(cboNome()->isHidden());
    }
    child<QAbstractButton>(qPrintable(command))->click();
    if (changed)
        child<QLineEdit>("txtEmail")->setText("mudou@example.com");
    MessageBox::clearShown();
    if (answer)
        MessageBox::setNextAnswer(MessageBox::Answer(answer));

    child<QAbstractButton>("cmdConsultar")->click();

    QCOMPARE(MessageBox::shown().size(), asked ? 1 : 0);
    if (asked) {
        const MessageBox::Shown question = MessageBox::shown().at(0);
        QCOMPARE(question.text, QString("Há um registro sendo incluído ou alterado que não foi "
                                        "salvo. Deseja descartá-lo?"));
        QCOMPARE(question.title, QString("Consulta de Registro na Agenda"));
        QCOMPARE(question.buttons, MessageBox::YesNoDefaultNo);
    }
    QCOMPARE(cboNome()->isVisible(), goesOn);
    QCOMPARE(m_window->dataControl().Recordset()->editMode() == TableRecordset::EditNone, goesOn);
    // Kept as it was, or given up, asked or not, and locked as after Salvar.
    QCOMPARE(child("txtEmail")->isEnabled(), !goesOn);
    QCOMPARE(child("cmdNovo")->isEnabled(), goesOn || command == "cmdEditar");
    QCOMPARE(child("cmdEditar")->isEnabled(), goesOn || command == "cmdNovo");
    QCOMPARE(testdb::query(m_dbPath, "SELECT Email FROM tblQuelmar").at(0).at(0).toString(),
             QString("ana@example.com"));
}

// A lookup refreshes the store: a new contact being added is abandoned, and a
// Salvar afterwards says so instead of writing over the contact found.
void TestLookup::lookupAbandonsPendingRow()
{
    open({{"Ana", "ana@example.com"}});
    child<QAbstractButton>("cmdNovo")->click();
    child<QAbstractButton>("cmdConsultar")->click();
    typeText(cboNome(), "a");
    press(Qt::Key_Return);
    QTRY_VERIFY(cboNome()->isHidden());
    QVERIFY(!child("txtNome")->isEnabled());
    child<QLineEdit>("txtEmail")->setText("outra@example.com");
    child<QAbstractButton>("cmdSalvar")->click();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(testdb::query(m_dbPath, "SELECT Email FROM tblQuelmar").at(0).at(0).toString(),
             QString("ana@example.com"));
}

// The click that takes the focus from the list with a name not stored brings the
// message, and the list back; the button clicked is not pressed, nor left down.
void TestLookup::clickAwayFromUnknownName()
{
    open({{"Ana"}});
    child<QAbstractButton>("cmdConsultar")->click();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(cboNome()));
    typeText(cboNome(), "zz");
    auto* incluir = child<QAbstractButton>("cmdNovo");
    QTest::mouseClick(incluir, Qt::LeftButton);
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().at(0).text, NotFound);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(cboNome()));
    QVERIFY(!incluir->isDown());
    QVERIFY(incluir->isEnabled()); // Incluir did not run
    QVERIFY(!child("txtNome")->isEnabled());

    // With a stored name the click goes through.
    typeText(cboNome(), "a");
    QTest::mouseClick(incluir, Qt::LeftButton);
    QTRY_VERIFY(!incluir->isEnabled());
    QVERIFY(cboNome()->isHidden());
}

void TestLookup::missingIndexIsReported()
{
    open({{"Ana", "ana@example.com"}, {"Bia"}});
    testdb::query(m_dbPath, "DROP INDEX indNome");
    child<QAbstractButton>("cmdNovo")->click();
    child<QLineEdit>("txtNome")->setText("Carlos");
    MessageBox::setNextAnswer(MessageBox::Yes); // Carlos is given up
    child<QAbstractButton>("cmdConsultar")->click();
    MessageBox::clearShown();
    typeText(cboNome(), "b");
    press(Qt::Key_Return);
    QTRY_COMPARE(MessageBox::shown().size(), 1);
    QVERIFY(MessageBox::shown().at(0).text.contains("no such index: indNome"));
    QTRY_VERIFY(cboNome()->isHidden());

    // The failed lookup left some row current behind the name on show; neither
    // Modificar nor Excluir may take it for the contact shown.
    MessageBox::setNextAnswer(MessageBox::Yes);
    child<QAbstractButton>("cmdEditar")->click();
    child<QAbstractButton>("cmdSalvar")->click();
    MessageBox::setNextAnswer(MessageBox::Yes);
    child<QAbstractButton>("cmdExcluir")->click();
    QCOMPARE(testdb::storedNames(m_dbPath), QStringList({"Ana", "Bia"}));
    QCOMPARE(testdb::query(m_dbPath, "SELECT Email FROM tblQuelmar").at(0).at(0).toString(),
             QString("ana@example.com"));
}

void TestLookup::stateListsComplete()
{
    open({});
    child<QAbstractButton>("cmdNovo")->click();
    auto* uf = child<QComboBox>("cboUfCom");
    child<QTabWidget>("tabQuelmar")->setCurrentIndex(2);
    uf->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(uf));
    typeText(uf, "s");
    QCOMPARE(uf->currentText(), QString("SC"));
    typeText(uf, "p");
    QCOMPARE(uf->currentText(), QString("SP"));
    QCOMPARE(uf->count(), 27);
}

void TestLookup::enterMovesOnLikeTab()
{
    open({});
    child<QAbstractButton>("cmdNovo")->click();
    QTRY_COMPARE(QApplication::focusWidget(), child("txtNome"));
    typeText(child("txtNome"), "Ana");
    const QStringList order = {"txtEmail", "txtEndRes", "txtBairroRes"};
    for (const QString& name : order) {
        press(Qt::Key_Return);
        QTRY_COMPARE(QApplication::focusWidget(), child(qPrintable(name)));
    }
    QCOMPARE(child<QTabWidget>("tabQuelmar")->currentIndex(), 1);
    QCOMPARE(child<QLineEdit>("txtNome")->text(), QString("Ana"));

    // From the last stop Enter goes round to the first.
    child("cmdInfo")->setFocus();
    press(Qt::Key_Enter);
    QTRY_COMPARE(QApplication::focusWidget(), child<QTabWidget>("tabQuelmar")->tabBar());
}

void TestLookup::enterReachesNoControl()
{
    open({{"Ana"}});
    // Enter on a button moves on without pressing it.
    child("cmdExcluir")->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), child("cmdExcluir"));
    press(Qt::Key_Return);
    QTRY_COMPARE(QApplication::focusWidget(), child("cmdEmail"));
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(testdb::storedNames(m_dbPath), QStringList({"Ana"}));
}

void TestLookup::closing_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("No: everything stays") << int(MessageBox::No);
    QTest::newRow("Yes: closes, nothing stored") << int(MessageBox::Yes);
}

void TestLookup::closing()
{
    QFETCH(int, answer);
    open({{"Ana"}});
    child<QAbstractButton>("cmdNovo")->click();
    child<QLineEdit>("txtNome")->setText("Pendente");
    MessageBox::setNextAnswer(MessageBox::Answer(answer));

    const bool closed = m_window->close();

    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().at(0).text, QString("Deseja Sair do Programa ?"));
    QCOMPARE(MessageBox::shown().at(0).title, QString("Pergunta"));
    QCOMPARE(MessageBox::shown().at(0).icon, MessageBox::Question);
    QCOMPARE(MessageBox::shown().at(0).buttons, MessageBox::YesNo);
    TableRecordset* rs = m_window->dataControl().Recordset();
    if (answer == MessageBox::No) {
        QVERIFY(!closed);
        QVERIFY(m_window->isVisible());
        QCOMPARE(rs->editMode(), TableRecordset::EditAdd);
        QVERIFY(child("txtNome")->isEnabled());
        child<QAbstractButton>("cmdSalvar")->click(); // still pending, still saved
        QCOMPARE(testdb::storedNames(m_dbPath), QStringList({"Ana", "Pendente"}));
    } else {
        QVERIFY(closed);
        QVERIFY(!rs->isOpen());
        QCOMPARE(m_window->searchHelper(), nullptr);
        QCOMPARE(testdb::storedNames(m_dbPath), QStringList({"Ana"}));
    }
}

QTEST_MAIN(TestLookup)
#include "tst_lookup.moc"
