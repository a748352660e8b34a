#include "filechooser.h"
#include "frminfo.h"
#include "frmquelmar.h"
#include "launcher.h"
#include "maskedit.h"
#include "messagebox.h"
#include "printing.h"
#include "testdb.h"
#include "windowtest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

// The commands that leave the contact window: the clean-up of typed text as a
// field is left, the printed card, the mail program and the information window.
class TestCardMailInfo : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void caseOnLeaving_data();
    void caseOnLeaving();
    void fieldsLeftAlone();
    void print_data();
    void print();
    void email_data();
    void email();
    void emailWithoutAddressWhileModifying();
    void info();

private:
    template <typename T = QWidget> T* child(const char* name) const
    {
        return m_window->findChild<T*>(QLatin1String(name));
    }
    void typeContact();

    QString m_dbPath;
    QTemporaryDir m_dir;
    frmQuelmar* m_window = nullptr;
};

void TestCardMailInfo::initTestCase()
{
    m_dbPath = windowtest::databasePath();
}

void TestCardMailInfo::init()
{
    m_window = windowtest::open();
    QVERIFY(m_window);
}

void TestCardMailInfo::cleanup()
{
    windowtest::close(m_window);
}

void TestCardMailInfo::typeContact()
{
    child<QAbstractButton>("cmdNovo")->click();
    child<QLineEdit>("txtNome")->setText("Maria Conceição");
    child<QLineEdit>("txtEmail")->setText("maria@example.com");
    child<QLineEdit>("txtEndRes")->setText("Rua das Flores, 10");
    child<MaskEdBox>("mskFoneRes")->setMaskedText("(11) 3333-4444");
    MessageBox::clearShown();
}

void TestCardMailInfo::caseOnLeaving_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("how"); // how the field is left
    QTest::addColumn<QString>("shown");
    QTest::newRow("name, Tab") << "txtNome"
                               << "MARIA DA SILVA"
                               << "tab"
                               << "Maria Da Silva";
    QTest::newRow("name, Enter") << "txtNome"
                                 << "joão d'ávila"
                                 << "enter"
                                 << "João D'ávila";
    QTest::newRow("e-mail, click") << "txtEmail"
                                   << "Ana@Example.COM"
                                   << "click"
                                   << "ana@example.com";
    QTest::newRow("address, Enter") << "txtEndRes"
                                    << "123 RUA XV"
                                    << "enter"
                                    << "123 Rua Xv";
    QTest::newRow("district") << "txtBairroRes"
                              << "vila MARIANA"
                              << "tab"
                              << "Vila Mariana";
    QTest::newRow("city") << "txtCidadeRes"
                          << "são paulo"
                          << "tab"
                          << "São Paulo";
    QTest::newRow("business address") << "txtEndCom"
                                      << "AV. PAULISTA"
                                      << "tab"
                                      << "Av. Paulista";
    QTest::newRow("business district") << "txtBairroCom"
                                       << "bela vista"
                                       << "tab"
                                       << "Bela Vista";
    QTest::newRow("business city") << "txtCidadeCom"
                                   << "RIO-NEGRO"
                                   << "tab"
                                   << "Rio-negro";
    QTest::newRow("access key of Salvar") << "txtNome"
                                          << "ana maria"
                                          << "alt+s"
                                          << "";
}

void TestCardMailInfo::caseOnLeaving()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, how);
    QFETCH(QString, shown);
    child<QAbstractButton>("cmdNovo")->click();
    auto* edit = child<QLineEdit>(qPrintable(field));
    child<QTabWidget>("tabQuelmar")->setCurrentWidget(edit->parentWidget());
    edit->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(edit));
    edit->setText(typed);

    if (how == "tab") {
        QTest::keyClick(edit, Qt::Key_Tab);
    } else if (how == "enter") {
        QTest::keyClick(edit, Qt::Key_Return);
    } else if (how == "click") {
        QTest::mouseClick(child("cmdConsultar"), Qt::LeftButton);
    } else {
        // Saved by the access key: the name is cleaned up before the save runs.
        QTest::keyClick(m_window, Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(testdb::storedNames(m_dbPath), QStringList({"Ana Maria"}));
        return;
    }
    QTRY_COMPARE(edit->text(), shown);
}

void TestCardMailInfo::fieldsLeftAlone()
{
    child<QAbstractButton>("cmdNovo")->click();
    child<QTabWidget>("tabQuelmar")->setCurrentIndex(2);
    auto* ramal = child<QLineEdit>("txtRamal");
    auto* uf = child<QComboBox>("cboUfCom");
    uf->setEditText("minas GERAIS");
    ramal->setFocus();
    ramal->setText("RAMAL abc");
    QTest::keyClick(ramal, Qt::Key_Tab);
    QTRY_VERIFY(QApplication::focusWidget() != ramal);
    QCOMPARE(ramal->text(), QString("RAMAL abc"));
    uf->setFocus();
    QTest::keyClick(uf, Qt::Key_Tab);
    QCOMPARE(uf->currentText(), QString("minas GERAIS"));
}

void TestCardMailInfo::print_data()
{
    QTest::addColumn<QString>("state"); // "locked", "adding", or "empty name"
    QTest::addColumn<int>("answer");    // to "Inicia a impressão?"
    QTest::addColumn<int>("printer");   // printing::Answer
    QTest::addColumn<int>("pdfAnswer"); // to the offer of a PDF file, 0: not asked
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<bool>("cleared");
    QTest::addColumn<bool>("fileWritten"); // printed, or written into the PDF file

    const int toPdf = int(printing::Answer::Printed);
    const int none = int(printing::Answer::NoPrinter);
    const int failing = int(printing::Answer::Refused);
    const int yes = MessageBox::Yes;
    const int no = MessageBox::No;
    const QString question = "Impressão dos Registros";
    const QString error = "Erro de Impressão";
    // clang-format off
    QTest::newRow("empty name") << "empty name" << 0 << toPdf << 0 << QStringList({error}) << false << false;
    QTest::newRow("answered No") << "locked" << no << toPdf << 0 << QStringList({question}) << true << false;
    QTest::newRow("printed") << "locked" << yes << toPdf << 0 << QStringList({question}) << true << true;
    QTest::newRow("job refused") << "locked" << yes << failing << 0 << QStringList({question, error}) << false << false;
    QTest::newRow("no printer, PDF instead") << "locked" << yes << none << yes << QStringList({question, error}) << true << true;
    QTest::newRow("no printer, no PDF") << "locked" << yes << none << no << QStringList({question, error}) << false << false;
    // A contact being added is printed as typed and stays, not saved yet.
    QTest::newRow("printed while adding") << "adding" << yes << toPdf << 0 << QStringList({question}) << false << true;
    // clang-format on
}

void TestCardMailInfo::print()
{
    QFETCH(QString, state);
    QFETCH(int, answer);
    QFETCH(int, printer);
    QFETCH(int, pdfAnswer);
    QFETCH(QStringList, titles);
    QFETCH(bool, cleared);
    QFETCH(bool, fileWritten);

    const QString pdf = m_dir.filePath("cartao.pdf");
    QFile::remove(pdf);
    printing::setNextAnswer(printing::Answer(printer));
    filechooser::setNextAnswer(pdf);
    const bool typed = state != "empty name";
    if (typed)
        typeContact();
    else
        child<QLineEdit>("txtEmail")->setText("sem.nome@example.com");
    if (state == "locked") { // saved, then on show as after a lookup
        child<QAbstractButton>("cmdSalvar")->click();
        child<QLineEdit>("txtNome")->setText("Maria Conceição");
        child<QLineEdit>("txtEmail")->setText("maria@example.com");
    }
    child<QTabWidget>("tabQuelmar")->setCurrentIndex(1);
    if (answer)
        MessageBox::setNextAnswer(MessageBox::Answer(answer));
    if (pdfAnswer)
        MessageBox::setNextAnswer(MessageBox::Answer(pdfAnswer));
    const QString emailBefore = child<QLineEdit>("txtEmail")->text();

    child<QAbstractButton>("cmdImprimir")->click();

    QStringList shown;
    for (const MessageBox::Shown& s : MessageBox::shown())
        shown << s.title;
    QCOMPARE(shown, titles);
    if (!typed)
        QCOMPARE(MessageBox::shown().at(0).text, QString("Não há Registro para Imprimir"));
    else
        QCOMPARE(MessageBox::shown().at(0).text, QString("Inicia a impressão?"));
    QCOMPARE(child<QTabWidget>("tabQuelmar")->currentIndex(), 0);
    QCOMPARE(child<QLineEdit>("txtEmail")->text(), cleared ? QString() : emailBefore);
    QCOMPARE(child("txtNome")->isEnabled(), state == "adding");
    const bool printed = printer == int(printing::Answer::Printed) &&
                         printing::asked() == QStringList{"Listrano - Maria Conceição"};
    QCOMPARE(QFile::exists(pdf) || printed, fileWritten);
    if (!typed)
        QTRY_COMPARE(QApplication::focusWidget(), child("cmdNovo"));
}

void TestCardMailInfo::email_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks only") << "   ";
    QTest::newRow("address") << "maria@example.com";
    QTest::newRow("shell characters") << "a@example.com; touch pwned $(id)";
}

void TestCardMailInfo::email()
{
    QFETCH(QString, address);
    // A saved contact on show, locked, as after a lookup.
    typeContact();
    child<QLineEdit>("txtEmail")->setText(address);
    child<QAbstractButton>("cmdSalvar")->click();
    child<QLineEdit>("txtNome")->setText("Maria Conceição");
    child<QLineEdit>("txtEndRes")->setText("Rua das Flores, 10");
    child<QLineEdit>("txtEmail")->setText(address);

    child<QAbstractButton>("cmdEmail")->click();

    if (address.isEmpty()) {
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().at(0).text,
                 QString("Não há endereço cadastrado para enviar o E-mail"));
        QCOMPARE(MessageBox::shown().at(0).title, QString("Listrano de Endereço"));
        QCOMPARE(MessageBox::shown().at(0).icon, MessageBox::NoIcon);
        QCOMPARE(child<QLineEdit>("txtNome")->text(), QString());
        QCOMPARE(child<QLineEdit>("txtEndRes")->text(), QString());
        QTRY_COMPARE(QApplication::focusWidget(), child("cmdNovo"));
        QVERIFY(launcher::asked().isEmpty());
        return;
    }
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(launcher::asked().size(), 1);
    QCOMPARE(launcher::asked().at(0).program, QString("xdg-email"));
    QCOMPARE(launcher::asked().at(0).arguments, QStringList{"mailto:" + address});
    QCOMPARE(child<QLineEdit>("txtNome")->text(), QString("Maria Conceição"));
    QVERIFY(!QFile::exists("pwned"));
}

// Clearing a contact under modification would leave its row to be saved over
// with whatever is typed next: the fields stay.
void TestCardMailInfo::emailWithoutAddressWhileModifying()
{
    typeContact();
    child<QLineEdit>("txtEmail")->setText(QString());
    child<QAbstractButton>("cmdSalvar")->click();
    auto* rs = m_window->dataControl().Recordset();
    QVERIFY(!rs->setIndex("indNome"));
    QVERIFY(!rs->Seek("=", "Maria Conceição"));
    QVERIFY(!m_window->Mostrar());
    child<QAbstractButton>("cmdEditar")->click();
    MessageBox::clearShown();

    child<QAbstractButton>("cmdEmail")->click();

    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(child<QLineEdit>("txtEndRes")->text(), QString("Rua das Flores, 10"));
    child<QAbstractButton>("cmdSalvar")->click();
    QCOMPARE(
        testdb::query(m_dbPath, "SELECT EndResidencial FROM tblQuelmar").at(0).at(0).toString(),
        QString("Rua das Flores, 10"));
}

void TestCardMailInfo::info()
{
    auto* cmdInfo = child<QAbstractButton>("cmdInfo");
    cmdInfo->click();
    frmInfo* first = frmInfo::instance();
    QVERIFY(first->isVisible());
    QCOMPARE(first->parentWidget(), nullptr);
    QVERIFY(!first->isModal());
    first->rchInfo()->setPlainText("digitado pelo usuário");
    cmdInfo->click();
    QCOMPARE(frmInfo::instance(), first);
    QCOMPARE(QApplication::topLevelWidgets().count(frmInfo::instance()), 1);
    QVERIFY(first->rchInfo()->toPlainText().startsWith("Listrano de Endereços"));
    QVERIFY(!first->rchInfo()->toPlainText().contains("digitado"));

    // It stays when the contact window goes.
    MessageBox::setNextAnswer(MessageBox::Yes);
    QVERIFY(m_window->close());
    QVERIFY(first->isVisible());
    first->close();
}

QTEST_MAIN(TestCardMailInfo)
#include "tst_cardmailinfo.moc"
