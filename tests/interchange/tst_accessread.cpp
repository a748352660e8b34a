#include "accessconvert.h"
#include "accessread.h"
#include "import.h"
#include "testdb.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace contact;

// Old Access files: their tables, a table's rows through the one import path,
// and the conversion of an Access book found where the contact database belongs.
class TestAccessRead : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // A test file from the shared test data, copied into the test's folder.
    QString copyOf(const QString& name, qint64 bytes = -1)
    {
        QFile source(QStringLiteral(ACCESS_TESTDATA "/") + name);
        if (!source.open(QIODevice::ReadOnly))
            return QString();
        const QString copy = m_dir.filePath(name + QString::number(bytes));
        QFile target(copy);
        if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            target.write(bytes < 0 ? source.readAll() : source.read(bytes)) < 0)
            return QString();
        return copy;
    }

private slots:
    void initTestCase()
    {
        if (!QFile::exists(QStringLiteral(ACCESS_TESTDATA "/nwind.mdb")))
            QSKIP("the shared Access test files are not at " ACCESS_TESTDATA);
    }

    void tables_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<qint64>("bytes"); // of it; -1 for all
        QTest::addColumn<QString>("tables");
        QTest::addColumn<QString>("error");
        QTest::newRow("Jet 3") << "nwind.mdb" << qint64(-1)
                               << "Order Details,Orders,Products,Shippers,Categories,Customers,"
                                  "Employees,Suppliers,Umsätze"
                               << "";
        QTest::newRow("Jet 4") << "DateTestDatabase.mdb" << qint64(-1) << "DateTest"
                               << "";
        QTest::newRow("cut short") << "nwind.mdb" << qint64(4096) << ""
                                   << "danificado";
        QTest::newRow("signature alone") << "nwind.mdb" << qint64(20) << ""
                                         << "danificado";
    }

    void tables()
    {
        QFETCH(QString, file);
        QFETCH(qint64, bytes);
        QFETCH(QString, tables);
        QFETCH(QString, error);
        const QString path = copyOf(file, bytes);
        QVERIFY(interchange::isAccessFile(path));
        QString said;
        QCOMPARE(interchange::accessTables(path, &said).join(u','), tables);
        QVERIFY2(error.isEmpty() ? said.isEmpty() : said.contains(error), qPrintable(said));
    }

    // A table chosen by name: its columns mapped like a spreadsheet's headers.
    void importChosenTable()
    {
        const QString db = m_dir.filePath("import.mdb");
        testdb::createEmpty(db);
        const QString nwind = copyOf("nwind.mdb");
        const interchange::ImportSummary unnamed = interchange::importFile(db, nwind);
        QVERIFY(unnamed.error.text.contains("não tem uma tabela de contatos"));
        QVERIFY(unnamed.tables.contains("Customers"));
        QCOMPARE(testdb::storedNames(db), QStringList());

        const interchange::ImportSummary s = interchange::importFile(db, nwind, {"Customers", {}});
        QVERIFY2(!s.error, qPrintable(s.error.text));
        QCOMPARE(s.imported, qint64(91));
        const QList<QVariantList> pedro = testdb::query(
            db, "SELECT EndResidencial, CidadeResidencial, EstadoResidencial, CEPResidencial, "
                "FoneResidencial, EndComercial FROM tblQuelmar WHERE Nome = 'Pedro Afonso'");
        QCOMPARE(pedro.size(), 1);
        QCOMPARE(pedro.at(0), QVariantList({"Av. dos Lusíadas, 23", "São Paulo", "SP", "05.432-043",
                                            "(11) 555-7647", ""}));
    }

    // A file the reader cannot read whole imports nothing, even when the
    // library reads on past the damage.
    void damaged_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<qint64>("imported"); // -1: the file is refused
        QTest::newRow("intact") << "" << qint64(91);
        QTest::newRow("a Customers page zeroed") << "page" << qint64(-1);
        QTest::newRow("cut in half") << "half" << qint64(-1);
    }

    void damaged()
    {
        QFETCH(QString, damage);
        QFETCH(qint64, imported);
        QFile file(copyOf("nwind.mdb"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        if (damage == "page") {
            // The page holding one of the customers, in the file's own pages.
            constexpr int PageBytes = 2048;
            const qsizetype at = bytes.indexOf("Ernst Handel");
            QVERIFY(at > 0);
            bytes.replace(at / PageBytes * PageBytes, PageBytes, QByteArray(PageBytes, '\0'));
        } else if (damage == "half") {
            bytes.truncate(bytes.size() / 2);
        }
        QVERIFY(file.resize(0) && file.seek(0) && file.write(bytes) == bytes.size());
        file.close();
        const QString db = m_dir.filePath("damaged.mdb");
        QFile::remove(db);
        testdb::createEmpty(db);

        const interchange::ImportSummary s =
            interchange::importFile(db, file.fileName(), {"Customers", {}});
        if (imported < 0) {
            QVERIFY2(s.error.text.contains("danificado"), qPrintable(s.error.text));
            QCOMPARE(s.imported, qint64(0));
            QCOMPARE(testdb::storedNames(db), QStringList());
        } else {
            QVERIFY2(!s.error, qPrintable(s.error.text));
            QCOMPARE(s.imported, imported);
            QCOMPARE(testdb::storedNames(db).size(), imported);
        }
    }

    // The conversion keeps the Access file, byte for byte, under a dated name
    // and leaves it where it was when anything fails.
    void convert_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<bool>("nameTaken"); // the dated name already used
        QTest::addColumn<QString>("keptAs");
        QTest::newRow("converted") << "Customers" << false << "Quelmar-access-2026-12-07.mdb";
        QTest::newRow("dated name taken")
            << "Customers" << true << "Quelmar-access-2026-12-07-2.mdb";
        QTest::newRow("no such table") << "Clientes" << false << "";
    }

    void convert()
    {
        QFETCH(QString, table);
        QFETCH(bool, nameTaken);
        QFETCH(QString, keptAs);
        QTemporaryDir dir;
        const QString book = dir.filePath("Quelmar.mdb");
        QVERIFY(QFile::copy(copyOf("nwind.mdb"), book));
        if (nameTaken)
            QVERIFY(QFile::copy(book, dir.filePath("Quelmar-access-2026-12-07.mdb")));
        const QByteArray original = testdb::fileBytes(book);
        const QStringList before = QDir(dir.path()).entryList(QDir::Files);

        const interchange::Conversion done =
            interchange::convertAccess(book, table, QDate(2026, 12, 7));
        if (keptAs.isEmpty()) {
            QVERIFY(done.summary.error.text.contains("Clientes"));
            QCOMPARE(testdb::fileBytes(book), original);
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);
            return;
        }
        QVERIFY2(!done.summary.error, qPrintable(done.summary.error.text));
        QCOMPARE(done.keptAs, dir.filePath(keptAs));
        QCOMPARE(testdb::fileBytes(done.keptAs), original);
        QCOMPARE(testdb::storedNames(book).size(), 91);
        QVERIFY(!interchange::isAccessFile(book));
    }
};

QTEST_GUILESS_MAIN(TestAccessRead)
#include "tst_accessread.moc"
