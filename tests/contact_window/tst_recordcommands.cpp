#include "contactrecord.h"
#include "frmquelmar.h"
#include "maskedit.h"
#include "messagebox.h"
#include "testdb.h"
#include "windowtest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

namespace {
const QString SaveTitle = QStringLiteral("Informação sobre o Programa");
const QString DeleteTitle = QStringLiteral("Excluir registro do Listrano");
const QString EditTitle = QStringLiteral("Editar Registro");
} // namespace

// Incluir, Salvar, Modificar and Excluir over a real contact file: what each
// leaves in the fields, the buttons, the focus, the page, the messages and the file.
class TestRecordCommands : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void transitions_data();
    void transitions();
    void refusedOutOfTurn_data();
    void refusedOutOfTurn();
    void deleteTakesNameOutOfList_data();
    void deleteTakesNameOutOfList();
    void refusedWrite_keepsTyping_data();
    void refusedWrite_keepsTyping();
    void pageInFront_data();
    void pageInFront();
    void roundTripOfAllFields();
    void rowsPutInByOtherMeans();
    void valuesNotText_data();
    void valuesNotText();
    void maskedFieldStored_data();
    void maskedFieldStored();
    void anotherCopyFirst_data();
    void anotherCopyFirst();

private:
    template <typename T = QWidget> T* child(const QString& name) const
    {
        return m_window->findChild<T*>(name);
    }
    QLineEdit* txtNome() const { return child<QLineEdit>("txtNome"); }
    void click(const char* button) { child<QAbstractButton>(button)->click(); }
    void arrange(const QString& state);
    QStringList fieldTexts() const;
    bool fieldsEnabled() const;
    void findContact(const QString& name);

    QString m_dbPath;
    frmQuelmar* m_window = nullptr;
};

void TestRecordCommands::initTestCase()
{
    m_dbPath = windowtest::databasePath();
}

void TestRecordCommands::init()
{
    m_window = windowtest::open(
        {{"Ana", "ana@example.com", "Rua A"}, {"Bia", "bia@example.com", "Rua B"}});
    QVERIFY(m_window);
    child<QComboBox>("cboNome")->addItems({"Ana", "Bia"});
}

void TestRecordCommands::cleanup()
{
    windowtest::close(m_window);
}

// What the lookup does once a name is found: the row current, the fields showing it.
void TestRecordCommands::findContact(const QString& name)
{
    TableRecordset* rs = m_window->dataControl().Recordset();
    QVERIFY(!m_window->dataControl().Refresh());
    rs = m_window->dataControl().Recordset();
    QVERIFY(!rs->setIndex(contact::NameIndex));
    QVERIFY(!rs->Seek("=", name));
    QVERIFY(!rs->NoMatch());
    QVERIFY(!m_window->Mostrar());
    child<QComboBox>("cboNome")->setCurrentIndex(child<QComboBox>("cboNome")->findText(name));
}

// Brings the window into one of the states the commands start from.
void TestRecordCommands::arrange(const QString& state)
{
    if (state == "locked, empty") {
        return;
    } else if (state == "locked, e-mail only") {
        child<QLineEdit>("txtEmail")->setText("solto@example.com");
    } else if (state == "adding, nothing typed") {
        click("cmdNovo");
    } else if (state == "adding, e-mail typed") {
        click("cmdNovo");
        child<QLineEdit>("txtEmail")->setText("caio@example.com");
    } else if (state == "adding, name typed, no e-mail") {
        click("cmdNovo");
        QTest::keyClicks(txtNome(), "Caio Prado");
    } else if (state == "adding, name typed") {
        click("cmdNovo");
        QTest::keyClicks(txtNome(), "Caio Prado");
        child<QLineEdit>("txtEmail")->setText("caio@example.com");
    } else if (state == "found") {
        findContact("Bia");
    } else if (state == "modifying") {
        findContact("Bia");
        click("cmdEditar");
        txtNome()->setText("Beatriz");
    } else if (state == "modifying, name emptied") {
        findContact("Bia");
        click("cmdEditar");
        txtNome()->clear();
    } else if (state == "listed to the end") {
        // A listing walks the recordset past its last row; a name is on show.
        TableRecordset* rs = m_window->dataControl().Recordset();
        while (!rs->Eof())
            QVERIFY(!rs->MoveNext());
        txtNome()->setText("Ana");
    } else {
        QFAIL(qPrintable("unknown state " + state));
    }
    MessageBox::clearShown();
}

QStringList TestRecordCommands::fieldTexts() const
{
    QStringList texts;
    for (QWidget* field : m_window->dataFields()) {
        if (auto* e = qobject_cast<QLineEdit*>(field))
            texts << e->text();
        else if (auto* c = qobject_cast<QComboBox*>(field))
            texts << c->currentText();
    }
    return texts;
}

bool TestRecordCommands::fieldsEnabled() const
{
    bool all = true;
    bool none = true;
    for (QWidget* field : m_window->dataFields()) {
        all = all && field->isEnabled();
        none = none && !field->isEnabled();
    }
    if (!all && !none)
        qWarning("fields partly enabled");
    return all;
}

void TestRecordCommands::transitions_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("answer");      // scripted reply to a question, 0: none, -1: no icon
    QTest::addColumn<QString>("message"); // text shown, empty: none
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("cleared");
    QTest::addColumn<bool>("enabled"); // the seventeen fields after
    QTest::addColumn<int>("incluir");  // 1 enabled, 0 disabled, -1 unchanged
    QTest::addColumn<int>("modificar");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<int>("pending"); // the recordset's edit mode after

    const QStringList both = {"Ana", "Bia"};
    const int none = TableRecordset::EditNone;
    // clang-format off
    QTest::newRow("Incluir")
        << "locked, empty" << "cmdNovo" << 0 << "" << "" << true << true << 0 << -1
        << "txtNome" << both << int(TableRecordset::EditAdd);
    QTest::newRow("Salvar, empty name")
        << "locked, e-mail only" << "cmdSalvar" << 0 << "O Campo Nome não pode haver valor nulo!"
        << SaveTitle << true << false << 1 << 1 << "cmdNovo" << both << none;
    // While a contact is being added or modified, a command that finds nothing to
    // act on, or is answered No, leaves it exactly as it is.
    const int adding = TableRecordset::EditAdd;
    const int editing = TableRecordset::EditInProgress;
    QTest::newRow("Salvar, empty name, adding: kept")
        << "adding, e-mail typed" << "cmdSalvar" << 0 << "O Campo Nome não pode haver valor nulo!"
        << SaveTitle << false << true << -1 << -1 << "txtNome" << both << adding;
    QTest::newRow("Salvar, empty name, modifying: kept")
        << "modifying, name emptied" << "cmdSalvar" << 0 << "O Campo Nome não pode haver valor nulo!"
        << SaveTitle << false << true << -1 << -1 << "txtNome" << both << editing;
    QTest::newRow("Excluir, empty name, adding: kept")
        << "adding, e-mail typed" << "cmdExcluir" << 0 << "Não há registro para excluir"
        << "Exclur registro do Listrano" << false << true << -1 << -1 << "txtNome" << both << adding;
    QTest::newRow("Excluir, No, modifying: kept")
        << "modifying" << "cmdExcluir" << int(MessageBox::No)
        << "Tem certeza que deseja excluir no nome: Beatriz" << DeleteTitle << false << true << -1
        << -1 << "txtNome" << both << editing;
    QTest::newRow("Imprimir, empty name, adding: kept")
        << "adding, e-mail typed" << "cmdImprimir" << 0 << "Não há Registro para Imprimir"
        << "Erro de Impressão" << false << true << -1 << -1 << "txtNome" << both << adding;
    QTest::newRow("Imprimir, No, adding: kept")
        << "adding, name typed" << "cmdImprimir" << int(MessageBox::No) << "Inicia a impressão?"
        << "Impressão dos Registros" << false << true << -1 << -1 << "txtNome" << both << adding;
    QTest::newRow("Enviar E-mail, empty address, adding: kept")
        << "adding, name typed, no e-mail" << "cmdEmail" << -1
        << "Não há endereço cadastrado para enviar o E-mail" << "Listrano de Endereço" << false
        << true << -1 << -1 << "txtEmail" << both << adding;
    QTest::newRow("Alt+N, Incluir off, empty address, adding: kept")
        << "adding, name typed, no e-mail" << "Alt+N" << -1
        << "Não há endereço cadastrado para enviar o E-mail" << "Listrano de Endereço" << false
        << true << -1 << -1 << "txtEmail" << both << adding;
    QTest::newRow("Salvar, name present")
        << "adding, name typed" << "cmdSalvar" << 0 << "" << "" << true << false << 1 << 1
        << "cmdNovo" << QStringList({"Ana", "Bia", "Caio Prado"}) << none;
    QTest::newRow("Salvar, modified")
        << "modifying" << "cmdSalvar" << 0 << "" << "" << true << false << 1 << 1
        << "cmdNovo" << QStringList({"Ana", "Beatriz"}) << none;
    QTest::newRow("Modificar, empty name")
        << "locked, e-mail only" << "cmdEditar" << 0 << "Não há registro para Editar" << EditTitle
        << true << false << -1 << 0 << "cmdNovo" << both << none;
    QTest::newRow("Modificar, empty name, adding: kept")
        << "adding, e-mail typed" << "cmdEditar" << 0 << "Não há registro para Editar" << EditTitle
        << false << true << -1 << -1 << "txtNome" << both << adding;
    QTest::newRow("Modificar, name present")
        << "found" << "cmdEditar" << 0 << "" << "" << false << true << -1 << 0 << "txtNome"
        << both << int(TableRecordset::EditInProgress);
    QTest::newRow("Excluir, empty name")
        << "locked, e-mail only" << "cmdExcluir" << 0 << "Não há registro para excluir"
        << "Exclur registro do Listrano" << false << false << -1 << -1 << "cmdNovo" << both << none;
    QTest::newRow("Excluir, Yes")
        << "found" << "cmdExcluir" << int(MessageBox::Yes) << "Tem certeza que deseja excluir no nome: Bia"
        << DeleteTitle << true << false << -1 << -1 << "cmdNovo" << QStringList({"Ana"}) << none;
    QTest::newRow("Excluir, No")
        << "found" << "cmdExcluir" << int(MessageBox::No) << "Tem certeza que deseja excluir no nome: Bia"
        << DeleteTitle << true << false << -1 << -1 << "cmdNovo" << both << none;
    QTest::newRow("Excluir while modifying: the stored row goes")
        << "modifying" << "cmdExcluir" << int(MessageBox::Yes)
        << "Tem certeza que deseja excluir no nome: Beatriz" << DeleteTitle << true << false << -1
        << -1 << "cmdNovo" << QStringList({"Ana"}) << none;
    // clang-format on
}

void TestRecordCommands::transitions()
{
    QFETCH(QString, state);
    QFETCH(QString, command);
    QFETCH(int, answer);
    QFETCH(QString, message);
    QFETCH(QString, title);
    QFETCH(bool, cleared);
    QFETCH(bool, enabled);
    QFETCH(int, incluir);
    QFETCH(int, modificar);
    QFETCH(QString, focus);
    QFETCH(QStringList, stored);
    QFETCH(int, pending);

    arrange(state);
    const QStringList before = fieldTexts();
    const bool incluirBefore = child("cmdNovo")->isEnabled();
    const bool modificarBefore = child("cmdEditar")->isEnabled();
    if (answer > 0)
        MessageBox::setNextAnswer(MessageBox::Answer(answer));
    m_window->setAttribute(Qt::WA_KeyboardFocusChange, false);

    if (command == "Alt+N") { // presses the button as a click of its own, a moment later
        QTest::keyClick(m_window, Qt::Key_N, Qt::AltModifier);
        QTRY_VERIFY(!MessageBox::shown().isEmpty());
    } else
        click(qPrintable(command));

    // The control the command gave the focus to shows it, as after Tab.
    QVERIFY(m_window->testAttribute(Qt::WA_KeyboardFocusChange));
    const auto shown = MessageBox::shown();
    if (message.isEmpty()) {
        QCOMPARE(shown.size(), 0);
    } else {
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).text, message);
        QCOMPARE(shown.at(0).title, title);
        QCOMPARE(shown.at(0).icon, answer > 0   ? MessageBox::Question
                                   : answer < 0 ? MessageBox::NoIcon
                                                : MessageBox::Information);
        QCOMPARE(shown.at(0).buttons, answer > 0 ? MessageBox::YesNo : MessageBox::Ok);
    }
    const QStringList empty = {"",
                               "",
                               "",
                               "",
                               "",
                               "",
                               "__.___-___",
                               "(__) ____-____",
                               "(__) ____-____",
                               "",
                               "",
                               "",
                               "",
                               "__.___-___",
                               "(__) ____-____",
                               "(__) ____-____",
                               ""};
    QCOMPARE(fieldTexts(), cleared ? empty : before);
    QCOMPARE(fieldsEnabled(), enabled);
    QCOMPARE(child("cmdNovo")->isEnabled(), incluir < 0 ? incluirBefore : bool(incluir));
    QCOMPARE(child("cmdEditar")->isEnabled(), modificar < 0 ? modificarBefore : bool(modificar));
    QTRY_COMPARE(QApplication::focusWidget(), child(focus));
    QCOMPARE(testdb::storedNames(m_dbPath), stored);
    QCOMPARE(int(m_window->dataControl().Recordset()->editMode()), pending);
    QCOMPARE(child<QTabWidget>("tabQuelmar")->currentIndex(), 0);
}

void TestRecordCommands::refusedOutOfTurn_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("firstLine"); // of the message
    const QString adding = "Um novo registro está sendo incluído.";
    // clang-format off
    QTest::newRow("Salvar after a lookup, without Modificar")
        << "found" << "cmdSalvar" << SaveTitle
        << "Não há inclusão nem alteração de registro em andamento.";
    QTest::newRow("Excluir while adding")
        << "adding, name typed" << "cmdExcluir" << DeleteTitle << adding;
    QTest::newRow("Modificar while adding")
        << "adding, name typed" << "cmdEditar" << EditTitle << adding;
    QTest::newRow("Excluir with no current row")
        << "listed to the end" << "cmdExcluir" << DeleteTitle
        << "Não há registro atual para excluir.";
    QTest::newRow("Modificar with no current row")
        << "listed to the end" << "cmdEditar" << EditTitle
        << "Não há registro atual para modificar.";
    // clang-format on
}

// Commands the buttons allow but the store cannot carry out: a message, and
// nothing written, deleted or changed in the window.
void TestRecordCommands::refusedOutOfTurn()
{
    QFETCH(QString, state);
    QFETCH(QString, command);
    QFETCH(QString, title);
    QFETCH(QString, firstLine);
    arrange(state);
    const QStringList texts = fieldTexts();
    const bool enabled = fieldsEnabled();
    const bool incluir = child("cmdNovo")->isEnabled();
    const bool modificar = child("cmdEditar")->isEnabled();
    const int mode = m_window->dataControl().Recordset()->editMode();
    const QByteArray file = testdb::fileBytes(m_dbPath);

    click(qPrintable(command));

    const auto shown = MessageBox::shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).title, title);
    QCOMPARE(shown.at(0).text.section('\n', 0, 0), firstLine);
    QCOMPARE(shown.at(0).icon, MessageBox::Information);
    QCOMPARE(shown.at(0).buttons, MessageBox::Ok);
    QCOMPARE(fieldTexts(), texts);
    QCOMPARE(fieldsEnabled(), enabled);
    QCOMPARE(child("cmdNovo")->isEnabled(), incluir);
    QCOMPARE(child("cmdEditar")->isEnabled(), modificar);
    QCOMPARE(int(m_window->dataControl().Recordset()->editMode()), mode);
    QCOMPARE(testdb::fileBytes(m_dbPath), file);

    // A new contact held back this way can still be saved afterwards.
    if (mode == TableRecordset::EditAdd) {
        click("cmdSalvar");
        QCOMPARE(testdb::storedNames(m_dbPath), QStringList({"Ana", "Bia", "Caio Prado"}));
    }
}

void TestRecordCommands::deleteTakesNameOutOfList_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<int>("current");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("current item is the name")
        << QStringList({"Bia", "Ana", "Bia"}) << 2 << QStringList({"Bia", "Ana"});
    QTest::newRow("no current item")
        << QStringList({"Ana", "Bia", "Bia"}) << -1 << QStringList({"Ana", "Bia"});
    QTest::newRow("current item is another name")
        << QStringList({"Ana", "Bia"}) << 0 << QStringList({"Ana"});
    QTest::newRow("name not in the list") << QStringList({"Ana"}) << 0 << QStringList({"Ana"});
    QTest::newRow("empty list") << QStringList() << -1 << QStringList();
    QTest::newRow("differs in case only")
        << QStringList({"bia", "Bia"}) << 0 << QStringList({"bia"});
}

void TestRecordCommands::deleteTakesNameOutOfList()
{
    QFETCH(QStringList, list);
    QFETCH(int, current);
    QFETCH(QStringList, after);
    findContact("Bia");
    auto* cboNome = child<QComboBox>("cboNome");
    cboNome->clear();
    cboNome->addItems(list);
    cboNome->setCurrentIndex(current);
    MessageBox::setNextAnswer(MessageBox::Yes);

    click("cmdExcluir");

    QStringList items;
    for (int i = 0; i < cboNome->count(); ++i)
        items << cboNome->itemText(i);
    QCOMPARE(items, after);
    QCOMPARE(testdb::storedNames(m_dbPath), QStringList({"Ana"}));
}

void TestRecordCommands::refusedWrite_keepsTyping_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("trigger");
    QTest::newRow("Salvar a new contact") << "adding, name typed"
                                          << "cmdSalvar"
                                          << "INSERT";
    QTest::newRow("Salvar a modified contact") << "modifying"
                                               << "cmdSalvar"
                                               << "UPDATE";
    QTest::newRow("Excluir") << "found"
                             << "cmdExcluir"
                             << "DELETE";
}

// The file refuses the write (as a read-only or full disk would): the message
// carries the engine's words, and all the user typed stays for another try.
void TestRecordCommands::refusedWrite_keepsTyping()
{
    QFETCH(QString, state);
    QFETCH(QString, command);
    QFETCH(QString, trigger);
    testdb::query(m_dbPath, QString("CREATE TRIGGER recusa BEFORE %1 ON tblQuelmar "
                                    "BEGIN SELECT RAISE(ABORT, 'disco cheio simulado'); END")
                                .arg(trigger));
    arrange(state);
    const QStringList texts = fieldTexts();
    const bool enabled = fieldsEnabled();
    const int mode = m_window->dataControl().Recordset()->editMode();
    if (command == "cmdExcluir")
        MessageBox::setNextAnswer(MessageBox::Yes);

    click(qPrintable(command));

    const auto shown = MessageBox::shown();
    QVERIFY(!shown.isEmpty());
    QVERIFY2(shown.last().text.contains("disco cheio simulado"), qPrintable(shown.last().text));
    QCOMPARE(shown.last().icon, MessageBox::Information);
    QCOMPARE(fieldTexts(), texts);
    QCOMPARE(fieldsEnabled(), enabled);
    QCOMPARE(int(m_window->dataControl().Recordset()->editMode()), mode);
    QCOMPARE(testdb::storedNames(m_dbPath), QStringList({"Ana", "Bia"}));

    testdb::query(m_dbPath, "DROP TRIGGER recusa");
    MessageBox::clearShown();
    if (command == "cmdExcluir")
        MessageBox::setNextAnswer(MessageBox::Yes);
    click(qPrintable(command));
    QCOMPARE(MessageBox::shown().size(), command == "cmdExcluir" ? 1 : 0);
    QVERIFY(testdb::storedNames(m_dbPath) != QStringList({"Ana", "Bia"}));
}

void TestRecordCommands::pageInFront_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("page"); // -1: as it was
    // The focus never lands on a page behind: the name's page comes forward.
    QTest::newRow("Incluir") << "locked, empty"
                             << "cmdNovo" << 0;
    QTest::newRow("Salvar") << "adding, name typed"
                            << "cmdSalvar" << -1;
    QTest::newRow("Modificar") << "found"
                               << "cmdEditar" << 0;
    QTest::newRow("Excluir") << "found"
                             << "cmdExcluir" << 0;
    QTest::newRow("Excluir, empty name") << "locked, empty"
                                         << "cmdExcluir" << 0;
}

void TestRecordCommands::pageInFront()
{
    QFETCH(QString, state);
    QFETCH(QString, command);
    QFETCH(int, page);
    arrange(state);
    child<QTabWidget>("tabQuelmar")->setCurrentIndex(2);
    MessageBox::setNextAnswer(MessageBox::No);
    click(qPrintable(command));
    QCOMPARE(child<QTabWidget>("tabQuelmar")->currentIndex(), page < 0 ? 2 : page);
}

void TestRecordCommands::roundTripOfAllFields()
{
    // Each control, the column that stores it, and a text no other field holds.
    const QList<std::tuple<QString, QString, QString>> fields = {
        {"txtNome", "Nome", "Zé D'Ávila"},
        {"txtEmail", "Email", "ze@example.com"},
        {"txtEndRes", "EndResidencial", "Rua 7, 10"},
        {"txtBairroRes", "BairroResidencial", "Centro"},
        {"txtCidadeRes", "CidadeResidencial", "Ouro Preto"},
        {"cboUfRes", "EstadoResidencial", "Minas Gerais"},
        {"mskCepRes", "CEPResidencial", "35.4__-___"},
        {"mskFoneRes", "FoneResidencial", "(_1) ____-____"},
        {"mskCelularRes", "CelularPessoal", "(31) 9876-5432"},
        {"txtEndCom", "EndComercial", "Av. Brasil"},
        {"txtBairroCom", "BairroComercial", "Savassi"},
        {"txtCidadeCom", "CidadeComercial", "Belo Horizonte"},
        {"cboUfCom", "EstadoComercial", "MG"},
        {"mskCepCom", "CEPComercial", "3_.0__-__0"},
        {"mskFoneCom", "FoneComercial", "(31) 3333-4444"},
        {"mskCelularCom", "CelularComercial", "(__) ____-___9"},
        {"txtRamal", "RamalComercial", "  12 "},
    };
    click("cmdNovo");
    for (const auto& [control, column, text] : fields) {
        QWidget* field = child(control);
        if (auto* m = qobject_cast<MaskEdBox*>(field))
            QVERIFY2(m->setMaskedText(text), qPrintable(text));
        else if (auto* e = qobject_cast<QLineEdit*>(field))
            e->setText(text);
        else if (auto* c = qobject_cast<QComboBox*>(field))
            c->setEditText(text);
    }
    click("cmdSalvar");
    QVERIFY(MessageBox::shown().isEmpty());

    const QString name = std::get<2>(fields.first());
    for (const auto& [control, column, text] : fields) {
        const auto rows = testdb::query(
            m_dbPath, QString("SELECT %1 FROM tblQuelmar WHERE Nome = ?").arg(column), {name});
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.at(0).at(0).toString(), text);
    }
    findContact(name);
    const QList<QWidget*> controls = m_window->dataFields();
    for (const auto& [control, column, text] : fields)
        QCOMPARE(fieldTexts().at(controls.indexOf(child(control))), text);
}

// Rows put in by other means: nulls show as empty texts, and a text that does not
// fit its mask is shown and saved back as it is.
void TestRecordCommands::rowsPutInByOtherMeans()
{
    testdb::insertContact(m_dbPath, {"Duda", QString(), QString(), QString(), QString(), QString(),
                                     "12345678", "11 5555-1234"});
    // A postal code saved under a comma locale, and a mobile number of eleven digits.
    testdb::query(m_dbPath, "UPDATE tblQuelmar SET Email = NULL, CEPComercial = '69,301-000', "
                            "CelularComercial = '(11) 98765-4321' WHERE Nome = 'Duda'");
    findContact("Duda");
    QCOMPARE(child<QLineEdit>("txtEmail")->text(), QString());
    QCOMPARE(child<MaskEdBox>("mskCepRes")->text(), QStringLiteral("12345678"));
    QCOMPARE(child<MaskEdBox>("mskFoneRes")->text(), QStringLiteral("11 5555-1234"));
    QCOMPARE(child<MaskEdBox>("mskCelularRes")->text(), QStringLiteral("(__) ____-____"));
    QCOMPARE(child<MaskEdBox>("mskCepCom")->text(), QStringLiteral("69.301-000"));
    QCOMPARE(child<MaskEdBox>("mskCelularCom")->maskPattern(), QStringLiteral("(##) #####-####"));

    click("cmdEditar");
    child<QLineEdit>("txtBairroRes")->setText("Lapa");
    click("cmdSalvar");
    const auto rows = testdb::query(
        m_dbPath, "SELECT CEPResidencial, FoneResidencial, BairroResidencial, typeof(Email), "
                  "CEPComercial, CelularComercial FROM tblQuelmar WHERE Nome = 'Duda'");
    QCOMPARE(rows.at(0).at(0).toString(), QStringLiteral("12345678"));
    QCOMPARE(rows.at(0).at(1).toString(), QStringLiteral("11 5555-1234"));
    QCOMPARE(rows.at(0).at(2).toString(), QStringLiteral("Lapa"));
    QCOMPARE(rows.at(0).at(3).toString(), QStringLiteral("text"));
    QCOMPARE(rows.at(0).at(4).toString(), QStringLiteral("69.301-000"));
    QCOMPARE(rows.at(0).at(5).toString(), QStringLiteral("(11) 98765-4321"));

    // A name longer than the field takes from the keyboard is shown, and saved
    // back, whole.
    const QString longName = QString("Maria ").repeated(12).trimmed();
    testdb::insertContact(m_dbPath, {longName});
    findContact(longName);
    QCOMPARE(txtNome()->text(), longName);
    click("cmdEditar");
    click("cmdSalvar");
    QVERIFY(testdb::storedNames(m_dbPath).contains(longName));
    QCOMPARE(txtNome()->maxLength(), 50); // the keyboard limit is back

    // Cleared, the fields have their masks again.
    QCOMPARE(child<MaskEdBox>("mskFoneRes")->maskPattern(), QStringLiteral("(##) ####-####"));
    QCOMPARE(child<MaskEdBox>("mskFoneRes")->text(), QStringLiteral("(__) ____-____"));
}

void TestRecordCommands::valuesNotText_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("stored"); // SQL literal put in by another tool
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("typed"); // empty: left alone
    QTest::addColumn<QString>("type");  // after Salvar
    QTest::addColumn<QString>("hex");
    // clang-format off
    QTest::newRow("blob left alone") << "Email" << "X'00FF41'" << "txtEmail" << "" << "blob" << "00FF41";
    QTest::newRow("blob in a masked field") << "CEPResidencial" << "X'0102'" << "mskCepRes" << "" << "blob" << "0102";
    QTest::newRow("blob changed") << "Email" << "X'00FF41'" << "txtEmail" << "a@b.c" << "text" << "6140622E63";
    // clang-format on
}

// Values of other types than text, written by other tools, are saved back as
// they were unless their field was changed.
void TestRecordCommands::valuesNotText()
{
    QFETCH(QString, column);
    QFETCH(QString, stored);
    QFETCH(QString, control);
    QFETCH(QString, typed);
    QFETCH(QString, type);
    QFETCH(QString, hex);
    testdb::query(m_dbPath,
                  QString("UPDATE tblQuelmar SET %1 = %2 WHERE Nome = 'Bia'").arg(column, stored));
    arrange("found");
    click("cmdEditar");
    if (!typed.isEmpty())
        child<QLineEdit>(control)->setText(typed);
    child<QLineEdit>("txtEndRes")->setText("Rua Nova"); // the contact changed elsewhere
    click("cmdSalvar");
    QVERIFY(MessageBox::shown().isEmpty());
    const auto rows = testdb::query(
        m_dbPath,
        QString("SELECT typeof(%1), hex(%1) FROM tblQuelmar WHERE Nome = 'Bia'").arg(column));
    QCOMPARE(rows.at(0).at(0).toString(), type);
    QCOMPARE(rows.at(0).at(1).toString(), hex);
}

void TestRecordCommands::maskedFieldStored_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed"); // empty: left untouched
    QTest::addColumn<QString>("stored");
    QTest::newRow("CEP untouched") << "mskCepRes"
                                   << ""
                                   << "";
    QTest::newRow("phone untouched") << "mskFoneCom"
                                     << ""
                                     << "";
    QTest::newRow("phone emptied") << "mskCelularRes"
                                   << "(__) ____-____"
                                   << "";
    QTest::newRow("phone partly") << "mskFoneRes"
                                  << "(11) 3333-____"
                                  << "(11) 3333-____";
    QTest::newRow("CEP whole") << "mskCepCom"
                               << "01.310-100"
                               << "01.310-100";
}

// A masked field without a digit holds nothing, and is stored so.
void TestRecordCommands::maskedFieldStored()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    arrange("adding, name typed");
    if (!typed.isEmpty())
        QVERIFY(child<MaskEdBox>(field)->setMaskedText(typed));
    click("cmdSalvar");
    const int f = int(m_window->dataFields().indexOf(child(field)));
    const auto rows =
        testdb::query(m_dbPath, QString("SELECT %1 FROM tblQuelmar WHERE Nome = 'Caio Prado'")
                                    .arg(contact::column(contact::Field(f))));
    QCOMPARE(rows.value(0).value(0).toString(), stored);
}

void TestRecordCommands::anotherCopyFirst_data()
{
    QTest::addColumn<QString>("sql"); // what another copy of the program did
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("said");
    QTest::addColumn<bool>("savedAsNew");
    QTest::newRow("changed") << "UPDATE tblQuelmar SET Email = 'x@example.com' WHERE Nome = 'Bia'"
                             << 0
                             << "O registro foi alterado por outro programa depois de consultado."
                             << false;
    const QString deleted = "DELETE FROM tblQuelmar WHERE Nome = 'Bia'";
    const QString asked = "Este contato foi excluído por outro programa. Gravar o que está na "
                          "tela como um novo contato?";
    QTest::newRow("deleted, No") << deleted << int(MessageBox::No) << asked << false;
    QTest::newRow("deleted, Yes") << deleted << int(MessageBox::Yes) << asked << true;
}

// Bia shown and modified here while another copy changes or deletes her row:
// Salvar says so and keeps what was typed, or saves it as a new contact.
void TestRecordCommands::anotherCopyFirst()
{
    QFETCH(QString, sql);
    QFETCH(int, answer);
    QFETCH(QString, said);
    QFETCH(bool, savedAsNew);
    arrange("modifying");
    testdb::query(m_dbPath, sql);
    const QStringList typed = fieldTexts();
    if (answer)
        MessageBox::setNextAnswer(MessageBox::Answer(answer));
    click("cmdSalvar");
    QCOMPARE(MessageBox::shown().size(), 1);
    QVERIFY2(MessageBox::shown().at(0).text.startsWith(said),
             qPrintable(MessageBox::shown().at(0).text));
    QCOMPARE(MessageBox::shown().at(0).title, SaveTitle);
    QCOMPARE(MessageBox::shown().at(0).buttons,
             answer ? MessageBox::YesNoDefaultNo : MessageBox::Ok);
    QCOMPARE(fieldTexts() == typed, !savedAsNew);
    QCOMPARE(fieldsEnabled(), !savedAsNew);
    QCOMPARE(testdb::storedNames(m_dbPath).contains("Beatriz"), savedAsNew);
    QCOMPARE(int(m_window->dataControl().Recordset()->editMode()),
             int(savedAsNew ? TableRecordset::EditNone : TableRecordset::EditInProgress));
}

QTEST_MAIN(TestRecordCommands)
#include "tst_recordcommands.moc"
