#include "contactrecord.h"
#include "database.h"
#include "datacontrol.h"
#include "testdb.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {
int fileMode(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}
} // namespace

// Opening and creating database files: what is refused, and that nothing on disk
// is created or changed by a failed open.
namespace {
// Makes a sound book of 200 contacts at path and returns its bytes with a few
// table pages damaged under a sound header: only the engine's check finds that.
QByteArray soundThenDamaged(const QString& path)
{
    testdb::createEmpty(path);
    for (int i = 0; i < 200; ++i)
        testdb::insertContact(path, {QString("Contato %1").arg(i), QString(300, 'x')});
    QByteArray pages = testdb::fileBytes(path);
    for (int page = 2; page <= 6; ++page)
        pages.replace(page * 4096 - 4096, 8, QByteArray(8, '\x7f'));
    return pages;
}
} // namespace

class TestDatabase : public QObject {
    Q_OBJECT

private slots:
    void createEmpty_makesContactTable();
    void createEmpty_neverOverwrites();
    void open_refusesWithoutTouchingDisk_data();
    void open_refusesWithoutTouchingDisk();
    void checkAhead_vouchesOnlyForTheFileAsItWas();
    void checkedFile_vouchesForThatFileUnchanged_data();
    void checkedFile_vouchesForThatFileUnchanged();
    void open_pathsWithAwkwardCharacters_data();
    void open_pathsWithAwkwardCharacters();
    void permissionsDenied();
    void readOnlyFile();
    void open_clearsEmptyMaskTexts_data();
    void open_clearsEmptyMaskTexts();
    void unwritableBookOpensAsItIs_data();
    void unwritableBookOpensAsItIs();

private:
    QTemporaryDir m_dir;
};

void TestDatabase::createEmpty_makesContactTable()
{
    const QString path = m_dir.filePath(QStringLiteral("novo.mdb"));
    testdb::createEmpty(path);

    QStringList columns;
    for (const QVariantList& row :
         testdb::query(path, QStringLiteral("SELECT name FROM pragma_table_info('tblQuelmar')")))
        columns << row.at(0).toString();
    QCOMPARE(columns, contact::FieldNames);

    const auto index = testdb::query(
        path,
        QStringLiteral("SELECT \"unique\" FROM pragma_index_list('tblQuelmar') WHERE name = ?"),
        {contact::NameIndex});
    QCOMPARE(index.size(), 1);
    QCOMPARE(index.at(0).at(0).toInt(), 0); // two contacts may share a name
    const auto keys =
        testdb::query(path, QStringLiteral("SELECT name FROM pragma_index_info('indNome')"));
    QCOMPARE(keys.size(), 1);
    QCOMPARE(keys.at(0).at(0).toString(), QStringLiteral("Nome"));

    QCOMPARE(testdb::query(path, "PRAGMA user_version").at(0).at(0).toInt(), database::BookVersion);

    // Personal data: the owner alone may read it.
    QCOMPARE(fileMode(path), 0600);
    QCOMPARE(
        testdb::query(path, QStringLiteral("SELECT count(*) FROM tblQuelmar")).at(0).at(0).toInt(),
        0);
}

void TestDatabase::createEmpty_neverOverwrites()
{
    const QString path = m_dir.filePath(QStringLiteral("existente.mdb"));
    testdb::createEmpty(path);
    testdb::insertContact(path, {QStringLiteral("Ana")});
    const QByteArray before = testdb::fileBytes(path);

    const StoreError e = database::createEmpty(path);
    QCOMPARE(e.kind, StoreError::FileExists);
    QCOMPARE(testdb::fileBytes(path), before);
}

void TestDatabase::open_refusesWithoutTouchingDisk_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("engineText");
    QTest::addColumn<QString>("reason"); // the user's words, as far as the code tells

    const QString damaged = "danificado";
    // clang-format off
    QTest::newRow("missing") << QByteArray() << false << "unable to open database file" << "disco";
    QTest::newRow("not sqlite") << QByteArray("PK\x03\x04 uma planilha, não um banco de dados\n")
                                << true << "file is not a database" << damaged;
    QByteArray header("SQLite format 3");
    header.append('\0');
    header.append(QByteArray(4096, '\xee'));
    QTest::newRow("damaged header") << header << true << "" << damaged;
    QTest::newRow("empty file, no table") << QByteArray("") << true << "no such table: tblQuelmar" << "";
    // clang-format on
    // A sound header over a damaged table: only the engine's check finds it.
    QTemporaryDir dir;
    QTest::newRow("damaged table")
        << soundThenDamaged(dir.filePath("modelo.mdb")) << true << "" << damaged;
}

void TestDatabase::open_refusesWithoutTouchingDisk()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    QFETCH(QString, engineText);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    const QString path = dir.filePath(contact::DatabaseFileName);
    if (exists) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    DataControl dat1;
    dat1.setDatabaseName(path);
    dat1.setRecordSource(contact::TableName);
    const StoreError e = dat1.Refresh();
    QVERIFY(e.isError());
    QCOMPARE(e.kind, StoreError::Engine);
    QVERIFY2(!e.text.isEmpty(), "the engine's words must come with the failure");
    if (!engineText.isEmpty())
        QCOMPARE(e.text, engineText);
    QVERIFY2(reason.isEmpty() ? e.reason().isEmpty() : e.reason().contains(reason),
             qPrintable(e.text + " / " + e.reason()));
    QCOMPARE(dat1.Recordset(), nullptr);

    QCOMPARE(QFileInfo::exists(path), exists);
    if (exists)
        QCOMPARE(testdb::fileBytes(path), content);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), exists ? 1 : 0);
}

// A file found sound ahead of time and damaged since is still found damaged.
void TestDatabase::checkAhead_vouchesOnlyForTheFileAsItWas()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(contact::DatabaseFileName);
    const QByteArray pages = soundThenDamaged(path);

    const StoreResult<database::CheckedFile> checked = database::checkAhead(path);
    QVERIFY(!checked.error);
    QTest::qWait(20); // a later modification time, whatever the file system's grain
    QVERIFY(testdb::writeFile(path, pages));
    const database::Connection connection(path, "ahead", checked.value);
    QCOMPARE(connection.error().primaryCode(), int(StoreError::SqliteCorrupt));
}

void TestDatabase::checkedFile_vouchesForThatFileUnchanged_data()
{
    QTest::addColumn<QString>("since");
    QTest::addColumn<bool>("vouches");
    QTest::newRow("unchanged") << "" << true;
    QTest::newRow("another file asked for") << "other" << false;
    QTest::newRow("modified") << "touch" << false;
    QTest::newRow("replaced by a copy") << "replace" << false;
    QTest::newRow("deleted") << "delete" << false;
    QTest::newRow("found unsound") << "unsound" << false;
    QTest::newRow("never checked") << "unchecked" << false;
}

void TestDatabase::checkedFile_vouchesForThatFileUnchanged()
{
    QFETCH(QString, since);
    QFETCH(bool, vouches);
    QTemporaryDir dir;
    const QString path = dir.filePath(contact::DatabaseFileName);
    const QString other = dir.filePath("outro.mdb");
    testdb::createEmpty(path);
    testdb::insertContact(path, {"Ana"});
    QVERIFY(QFile::copy(path, other));
    if (since == "unsound")
        testdb::query(path, "ALTER TABLE tblQuelmar DROP COLUMN RamalComercial");

    const StoreResult<database::CheckedFile> checked = database::checkAhead(path);
    QCOMPARE(checked.error.isError(), since == "unsound");
    const database::CheckedFile found =
        since == "unchecked" ? database::CheckedFile() : checked.value;
    QString asked = path;
    if (since == "other") {
        asked = other;
    } else if (since == "touch") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(file.fileTime(QFileDevice::FileModificationTime).addSecs(5),
                                 QFileDevice::FileModificationTime));
    } else if (since == "replace") {
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::rename(other, path));
    } else if (since == "delete") {
        QVERIFY(QFile::remove(path));
    }
    QCOMPARE(found.vouchesFor(asked), vouches);
}

void TestDatabase::open_pathsWithAwkwardCharacters_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("blank") << "Meus Contatos";
    QTest::newRow("accents") << "Agenda de João e Conceição";
    QTest::newRow("uri characters") << "a?b#c%20d&e=f";
    QTest::newRow("quotes") << "o'neil \"x\"";
}

void TestDatabase::open_pathsWithAwkwardCharacters()
{
    QFETCH(QString, folder);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(folder));
    const QString path = dir.filePath(folder + QLatin1Char('/') + contact::DatabaseFileName);

    DataControl dat1;
    dat1.setDatabaseName(path);
    dat1.setRecordSource(contact::TableName);
    QVERIFY(dat1.Refresh().isError()); // not there yet, and not created
    QVERIFY(!QFileInfo::exists(path));

    testdb::createEmpty(path);
    testdb::insertContact(path, {QStringLiteral("Zé")});
    const StoreError e = dat1.Refresh();
    QVERIFY2(!e, qPrintable(e.text));
    QCOMPARE(dat1.Recordset()->Value(QStringLiteral("Nome")).value.toString(),
             QStringLiteral("Zé"));
    QCOMPARE(QDir(dir.filePath(folder)).entryList(QDir::Files).size(), 1);
}

void TestDatabase::permissionsDenied()
{
    if (geteuid() == 0)
        QSKIP(
            "running as root, whom file permissions do not stop; run_unprivileged.sh covers this");
    const QString path = m_dir.filePath(QStringLiteral("trancado.mdb"));
    testdb::createEmpty(path);
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0) == 0);

    DataControl dat1;
    dat1.setDatabaseName(path);
    dat1.setRecordSource(contact::TableName);
    const StoreError e = dat1.Refresh();
    QVERIFY(e.isError());
    QVERIFY(!e.text.isEmpty());
    QCOMPARE(fileMode(path), 0);
}

void TestDatabase::readOnlyFile()
{
    if (geteuid() == 0)
        QSKIP(
            "running as root, whom file permissions do not stop; run_unprivileged.sh covers this");
    const QString path = m_dir.filePath(QStringLiteral("somenteleitura.mdb"));
    testdb::createEmpty(path);
    testdb::insertContact(path, {QStringLiteral("Ana")});
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0400) == 0);
    const QByteArray before = testdb::fileBytes(path);

    DataControl dat1;
    dat1.setDatabaseName(path);
    dat1.setRecordSource(contact::TableName);
    QVERIFY(!dat1.Refresh()); // reading still works
    TableRecordset* rs = dat1.Recordset();
    QCOMPARE(rs->Value(QStringLiteral("Nome")).value.toString(), QStringLiteral("Ana"));

    QVERIFY(!rs->AddNew());
    QVERIFY(!rs->setValue(QStringLiteral("Nome"), QStringLiteral("Bia")));
    const StoreError e = rs->Update();
    QVERIFY(e.isError());
    QCOMPARE(e.primaryCode(), int(StoreError::SqliteReadOnly));
    QVERIFY(!e.text.isEmpty());
    QVERIFY2(e.reason().contains(QStringLiteral("protegido contra gravação")),
             qPrintable(e.reason()));
    // The new row stays pending, so that the user may try again.
    QCOMPARE(rs->editMode(), TableRecordset::EditAdd);
    QCOMPARE(rs->Value(QStringLiteral("Nome")).value.toString(), QStringLiteral("Bia"));
    QCOMPARE(testdb::fileBytes(path), before);
}

namespace {
int bookVersion(const QString& path)
{
    return testdb::query(path, "PRAGMA user_version").at(0).at(0).toInt();
}

// A book as an older version left it, one contact with text in column and a
// distinct text in every other field.
QStringList olderBook(const QString& path, const QString& column, const QString& text)
{
    testdb::createEmpty(path);
    testdb::query(path, "PRAGMA user_version = 0");
    QStringList fields;
    for (const QString& name : contact::FieldNames)
        fields << (name == column ? text : name.left(3) + " 1");
    testdb::insertContact(path, fields);
    return fields;
}
} // namespace

// Empty masked fields stored with their placeholders by earlier versions become
// empty texts at the first open; nothing else changes, and a book already in the
// current form is not looked at again.
void TestDatabase::open_clearsEmptyMaskTexts_data()
{
    QTest::addColumn<int>("version"); // the book's before the open
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("opened");

    // clang-format off
    QTest::newRow("CEP") << 0 << "CEPResidencial" << "__.___-___" << "";
    QTest::newRow("CEP, comma") << 0 << "CEPComercial" << "__,___-___" << "";
    QTest::newRow("phone") << 0 << "FoneResidencial" << "(__) ____-____" << "";
    QTest::newRow("mobile, nine digits") << 0 << "CelularPessoal" << "(__) _____-____" << "";
    QTest::newRow("business mobile") << 0 << "CelularComercial" << "(__) ____-____" << "";
    QTest::newRow("business phone") << 0 << "FoneComercial" << " (__)____-____ " << "";
    QTest::newRow("partial phone") << 0 << "FoneResidencial" << "(11) 3333-____" << "(11) 3333-____";
    QTest::newRow("partial CEP") << 0 << "CEPResidencial" << "01.310-1__" << "01.310-1__";
    QTest::newRow("blanks in a masked field") << 0 << "FoneComercial" << "   " << "   ";
    QTest::newRow("mask among other text") << 0 << "FoneComercial" << "(__) ____-____ x" << "(__) ____-____ x";
    QTest::newRow("blanks in a name field") << 0 << "BairroResidencial" << "   " << "   ";
    QTest::newRow("name like a mask") << 0 << "Nome" << "(__) ____-____" << "(__) ____-____";
    QTest::newRow("address like a mask") << 0 << "EndComercial" << "__.___-___" << "__.___-___";
    QTest::newRow("book already converted") << 1 << "FoneResidencial" << "(__) ____-____" << "(__) ____-____";
    // clang-format on
}

void TestDatabase::open_clearsEmptyMaskTexts()
{
    QFETCH(int, version);
    QFETCH(QString, column);
    QFETCH(QString, stored);
    QFETCH(QString, opened);
    QTemporaryDir dir;
    const QString path = dir.filePath(contact::DatabaseFileName);
    QStringList expected = olderBook(path, column, stored);
    testdb::query(path, QString("PRAGMA user_version = %1").arg(version));

    DataControl dat1;
    dat1.setDatabaseName(path);
    dat1.setRecordSource(contact::TableName);
    const StoreError e = dat1.Refresh();
    QVERIFY2(!e, qPrintable(e.text));

    expected[contact::FieldNames.indexOf(column)] = opened;
    QCOMPARE(testdb::storedContacts(path), QList<QStringList>{expected});
    QCOMPARE(dat1.Recordset()->Value(column).value.toString(), opened);
    QCOMPARE(bookVersion(path), database::BookVersion);
}

// A book that cannot be written now opens as it is, and is brought up to date
// at the first open once it can.
void TestDatabase::unwritableBookOpensAsItIs_data()
{
    QTest::addColumn<QString>("why");
    QTest::newRow("read-only file") << "file";
    QTest::newRow("read-only folder") << "folder";
    QTest::newRow("locked by another writer") << "lock";
}

void TestDatabase::unwritableBookOpensAsItIs()
{
    QFETCH(QString, why);
    if (why != "lock" && geteuid() == 0)
        QSKIP(
            "running as root, whom file permissions do not stop; run_unprivileged.sh covers this");
    QTemporaryDir dir;
    const QString folder = dir.filePath("agenda");
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + "/" + contact::DatabaseFileName;
    olderBook(path, "FoneResidencial", "(__) ____-____");
    const QByteArray before = testdb::fileBytes(path);

    const QString writer = "outro-programa";
    const auto release = [&] {
        ::chmod(QFile::encodeName(path).constData(), 0600);
        ::chmod(QFile::encodeName(folder).constData(), 0700);
        QSqlDatabase::database(writer, false).close();
        QSqlDatabase::removeDatabase(writer);
    };
    auto released = qScopeGuard(release);
    if (why == "file")
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0400) == 0);
    if (why == "folder")
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0500) == 0);
    if (why == "lock") {
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", writer);
        other.setDatabaseName(path);
        QVERIFY(other.open());
        QSqlQuery q(other);
        QVERIFY2(q.exec("BEGIN IMMEDIATE"), qPrintable(q.lastError().text()));
    }

    {
        DataControl dat1;
        dat1.setDatabaseName(path);
        dat1.setRecordSource(contact::TableName);
        const StoreError e = dat1.Refresh();
        QVERIFY2(!e, qPrintable(e.text));
        QCOMPARE(dat1.Recordset()->Value("FoneResidencial").value.toString(),
                 QString("(__) ____-____"));
    }
    released.dismiss();
    release();
    QCOMPARE(testdb::fileBytes(path), before);

    DataControl dat1;
    dat1.setDatabaseName(path);
    dat1.setRecordSource(contact::TableName);
    QVERIFY(!dat1.Refresh());
    QCOMPARE(dat1.Recordset()->Value("FoneResidencial").value.toString(), QString(""));
    QCOMPARE(bookVersion(path), database::BookVersion);
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
