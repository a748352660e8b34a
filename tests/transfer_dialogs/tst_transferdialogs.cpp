#include "filechooser.h"
#include "messagebox.h"
#include "testdb.h"
#include "transferdialogs.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The desktop's import and export: the answers given in the dialogs, what the
// program then says, and its exit status.
class TestTransferDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setTestMode(true); }

    void dialogs_data()
    {
        QTest::addColumn<bool>("import");
        QTest::addColumn<QStringList>("answers"); // "@" stands for the test's folder
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // "" when nothing is said
        QTest::newRow("import a vCard")
            << true << QStringList({"@/cartoes.vcf"}) << 0
            << "2 contatos importados, 0 já existentes ignorados, 0 com erro.";
        QTest::newRow("import: file dialog cancelled") << true << QStringList({""}) << 0 << "";
        QTest::newRow("import: an Access table chosen")
            << true << QStringList({ACCESS_TESTDATA "/nwind.mdb", "Customers"}) << 0
            << "91 contatos importados";
        QTest::newRow("import: no Access table chosen")
            << true << QStringList({ACCESS_TESTDATA "/nwind.mdb", ""}) << 0 << "";
        QTest::newRow("import: no such file")
            << true << QStringList({"@/nada.csv"}) << 1 << "Nada foi importado de";
        QTest::newRow("export to vCard")
            << false << QStringList({"@/saida.vcf"}) << 0 << "1 contato foi exportado para";
        QTest::newRow("export to an unknown kind")
            << false << QStringList({"@/saida.txt"}) << 1 << "termina em .csv";
        QTest::newRow("export to a link: refused, never asked to replace")
            << false << QStringList({"@/ligacao.vcf"}) << 1 << "não é um arquivo comum";
    }

    void dialogs()
    {
        QFETCH(bool, import);
        QFETCH(QStringList, answers);
        QFETCH(int, status);
        QFETCH(QString, said);
        if (answers.constFirst().startsWith(ACCESS_TESTDATA) &&
            !QFile::exists(answers.constFirst()))
            QSKIP("the shared Access test files are not at " ACCESS_TESTDATA);
        QTemporaryDir dir;
        const QString db = dir.filePath("Quelmar.mdb");
        testdb::createEmpty(db);
        testdb::insertContact(db, {"Ana"});
        QVERIFY(testdb::writeFile(dir.filePath("cartoes.vcf"),
                                  "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bia\r\nEND:VCARD\r\n"
                                  "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Caio\r\nEND:VCARD\r\n"));
        QVERIFY(QFile::link(dir.filePath("cartoes.vcf"), dir.filePath("ligacao.vcf")));
        answers.replaceInStrings(QRegularExpression("^@"), dir.path());
        filechooser::setTestMode(true);
        for (const QString& answer : answers)
            filechooser::setNextAnswer(answer);
        MessageBox::clearShown();

        const QByteArray before = testdb::fileBytes(db);
        QCOMPARE(import ? transferdialogs::importContacts(db) : transferdialogs::exportContacts(db),
                 status);
        const QList<MessageBox::Shown> shown = MessageBox::shown();
        QCOMPARE(shown.size(), said.isEmpty() ? 0 : 1);
        if (!said.isEmpty()) {
            QVERIFY2(shown.at(0).text.contains(said), qPrintable(shown.at(0).text));
            QCOMPARE(shown.at(0).icon,
                     status == 0 ? MessageBox::Information : MessageBox::Critical);
        }
        if (status != 0 || said.isEmpty() || !import)
            QCOMPARE(testdb::fileBytes(db), before);
        if (!import && status == 0)
            QVERIFY(QFile::exists(answers.constFirst()));
    }

    // A file opened from a file manager: asked about by name and count, then
    // imported as from the file dialog, which is never shown.
    void givenFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("said"); // part of each message, in order
        QTest::addColumn<int>("stored");       // contacts in the book afterwards
        const QString summary = "2 contatos importados, 0 já existentes ignorados, 0 com erro.";
        QTest::newRow("vCard, Yes")
            << "cartoes.vcf" << int(MessageBox::Yes) << 0
            << QStringList({"Importar 2 contatos de cartoes.vcf?", summary}) << 3;
        QTest::newRow("vCard, No") << "cartoes.vcf" << int(MessageBox::No) << 0
                                   << QStringList({"Importar 2 contatos de cartoes.vcf?"}) << 1;
        QTest::newRow("CSV, Yes") << "planilha.csv" << int(MessageBox::Yes) << 0
                                  << QStringList({"Importar 2 contatos de planilha.csv?", summary})
                                  << 3;
        QTest::newRow("text without a name column")
            << "notas.txt" << int(MessageBox::Yes) << 1
            << QStringList({"não é um arquivo de contatos vCard (.vcf) nem uma planilha CSV"}) << 1;
        QTest::newRow("missing file")
            << "nada.vcf" << int(MessageBox::Yes) << 1 << QStringList({"nada.vcf não existe"}) << 1;
    }

    void givenFile()
    {
        QFETCH(QString, file);
        QFETCH(int, answer);
        QFETCH(int, status);
        QFETCH(QStringList, said);
        QFETCH(int, stored);
        QTemporaryDir dir;
        const QString db = dir.filePath("Quelmar.mdb");
        testdb::createEmpty(db);
        testdb::insertContact(db, {"Ana"});
        QVERIFY(testdb::writeFile(dir.filePath("cartoes.vcf"),
                                  "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bia\r\nEND:VCARD\r\n"
                                  "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Caio\r\nEND:VCARD\r\n"));
        QVERIFY(testdb::writeFile(dir.filePath("planilha.csv"), "Nome;Email\nBia;\nCaio;\n"));
        QVERIFY(testdb::writeFile(dir.filePath("notas.txt"), "Comprar pão\nLigar para a Bia\n"));
        filechooser::setTestMode(true);
        filechooser::clearAsked();
        MessageBox::setTestMode(true); // no answer left over from another row
        MessageBox::clearShown();
        MessageBox::setNextAnswer(MessageBox::Answer(answer));

        QCOMPARE(transferdialogs::importFile(db, dir.filePath(file)), status);
        const QList<MessageBox::Shown> shown = MessageBox::shown();
        QCOMPARE(shown.size(), said.size());
        for (qsizetype i = 0; i < said.size(); ++i)
            QVERIFY2(shown.at(i).text.contains(said.at(i)), qPrintable(shown.at(i).text));
        QCOMPARE(shown.at(0).buttons, status == 0 ? MessageBox::YesNo : MessageBox::Ok);
        QCOMPARE(testdb::storedNames(db).size(), stored);
        QVERIFY(filechooser::asked().isEmpty());
    }
};

QTEST_MAIN(TestTransferDialogs)
#include "tst_transferdialogs.moc"
