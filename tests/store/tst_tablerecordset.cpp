#include "contactrecord.h"
#include "datacontrol.h"
#include "testdb.h"

#include <algorithm>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

// The recordset over a real contact file: what each operation leaves in the file
// and where it leaves the current row.
class TestTableRecordset : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void emptyTable();
    void addNew_storesTextsExactly_data();
    void addNew_storesTextsExactly();
    void emptyTextIsStoredAsText();
    void walk_inStoredOrder();
    void edit_rewritesOnlyCurrentRow();
    void delete_removesOnlyCurrentRowAndWalkGoesOn();
    void seek_data();
    void seek();
    void seek_needsIndexChosenAfterRefresh();
    void setIndex_unknownCarriesEngineText();
    void refreshAndCloseAbandonPending();
    void operationsOutOfTurn_data();
    void operationsOutOfTurn();
    void refusedWrite_keepsPendingRow();
    void lockedFile_busyAfterTimeout();
    void nullFieldReadsAsNull();
    void fileGoneWhileOpen_data();
    void fileGoneWhileOpen();
    void secondCopyGotThereFirst_data();
    void secondCopyGotThereFirst();
    void namesInOneGo_data();
    void namesInOneGo();
    void namesReadAsTheDriverReadsThem();

private:
    TableRecordset* open();
    QTemporaryDir* m_dir = nullptr;
    QString m_path;
    DataControl* m_dat = nullptr;
};

void TestTableRecordset::init()
{
    m_dir = new QTemporaryDir;
    m_path = m_dir->filePath(contact::DatabaseFileName);
    testdb::createEmpty(m_path);
    m_dat = new DataControl;
    m_dat->setDatabaseName(m_path);
    m_dat->setRecordSource(contact::TableName);
}

void TestTableRecordset::cleanup()
{
    delete m_dat;
    delete m_dir;
}

TableRecordset* TestTableRecordset::open()
{
    const StoreError e = m_dat->Refresh();
    if (e)
        qWarning("Refresh: %s", qPrintable(e.text));
    return m_dat->Recordset();
}

void TestTableRecordset::emptyTable()
{
    TableRecordset* rs = open();
    QVERIFY(rs);
    QVERIFY(rs->Eof());
    QVERIFY(!rs->hasCurrent());
    QCOMPARE(rs->RecordCount().value, 0);
    QCOMPARE(rs->Value(QStringLiteral("Nome")).error.kind, StoreError::NoCurrentRecord);
    QCOMPARE(rs->fieldNames(), contact::FieldNames);
}

void TestTableRecordset::addNew_storesTextsExactly_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "Maria da Silva";
    QTest::newRow("quotes") << "D'Ávila \"Zeca\" O''Neil";
    QTest::newRow("statement text") << "x'); DROP TABLE tblQuelmar; --";
    QTest::newRow("accents") << "João Conceição Ñandú";
    QTest::newRow("blanks only") << "   ";
    QTest::newRow("percent and backslash") << "100% \\ \\\\ _";
}

void TestTableRecordset::addNew_storesTextsExactly()
{
    QFETCH(QString, name);
    TableRecordset* rs = open();
    QVERIFY(!rs->AddNew());
    QCOMPARE(rs->editMode(), TableRecordset::EditAdd);
    for (const QString& field : contact::FieldNames)
        QVERIFY(!rs->setValue(field, field == QLatin1String("Nome") ? name : field + name));
    QVERIFY(!rs->Update());
    QCOMPARE(rs->editMode(), TableRecordset::EditNone);

    const auto rows = testdb::query(
        m_path, QStringLiteral("SELECT %1 FROM tblQuelmar").arg(contact::FieldNames.join(',')));
    QCOMPARE(rows.size(), 1);
    for (int i = 0; i < contact::FieldNames.size(); ++i) {
        const QString field = contact::FieldNames.at(i);
        QCOMPARE(rows.at(0).at(i).toString(), i == 0 ? name : field + name);
    }

    rs = open();
    QVERIFY(!rs->setIndex(contact::NameIndex));
    QVERIFY(!rs->Seek(QStringLiteral("="), name));
    QVERIFY(!rs->NoMatch());
    QCOMPARE(rs->Value(QStringLiteral("CidadeComercial")).value.toString(),
             QStringLiteral("CidadeComercial") + name);
}

void TestTableRecordset::emptyTextIsStoredAsText()
{
    TableRecordset* rs = open();
    QVERIFY(!rs->AddNew());
    QVERIFY(!rs->setValue(QStringLiteral("Nome"), QStringLiteral("Ana")));
    QVERIFY(!rs->setValue(QStringLiteral("Email"), QString()));
    QVERIFY(!rs->setValue(QStringLiteral("RamalComercial"), QStringLiteral("")));
    QVERIFY(!rs->Update());
    const auto rows = testdb::query(
        m_path, QStringLiteral("SELECT typeof(Email), typeof(RamalComercial), typeof(EndComercial) "
                               "FROM tblQuelmar"));
    QCOMPARE(rows.at(0).at(0).toString(), QStringLiteral("text"));
    QCOMPARE(rows.at(0).at(1).toString(), QStringLiteral("text"));
    QCOMPARE(rows.at(0).at(2).toString(), QStringLiteral("null")); // never assigned
}

void TestTableRecordset::walk_inStoredOrder()
{
    const QStringList names = {"Zuleica", "Ana", "Maria", "Ana", "Bruno"};
    for (const QString& n : names)
        testdb::insertContact(m_path, {n});

    TableRecordset* rs = open();
    QCOMPARE(rs->RecordCount().value, names.size());
    QStringList seen;
    QVERIFY(!rs->MoveFirst());
    while (!rs->Eof()) {
        seen << rs->Value(QStringLiteral("Nome")).value.toString();
        QVERIFY(!rs->MoveNext());
    }
    QCOMPARE(seen, names);
    QCOMPARE(rs->MoveNext().kind, StoreError::NoCurrentRecord);

    // In index order: by name, equal names in the order they were stored.
    testdb::query(m_path, QStringLiteral("UPDATE tblQuelmar SET Email = rowid"));
    rs = open();
    QVERIFY(!rs->setIndex(contact::NameIndex));
    QVERIFY(!rs->MoveFirst());
    QStringList ordered;
    while (!rs->Eof()) {
        ordered << rs->Value(QStringLiteral("Nome")).value.toString() + '/' +
                       rs->Value(QStringLiteral("Email")).value.toString();
        QVERIFY(!rs->MoveNext());
    }
    QCOMPARE(ordered, QStringList({"Ana/2", "Ana/4", "Bruno/5", "Maria/3", "Zuleica/1"}));
}

void TestTableRecordset::edit_rewritesOnlyCurrentRow()
{
    for (const char* n : {"Ana", "Bia", "Ana"})
        testdb::insertContact(m_path, {n, QString(n) + "@example.org"});
    TableRecordset* rs = open();
    QVERIFY(!rs->setIndex(contact::NameIndex));
    QVERIFY(!rs->Seek("=", "Ana"));
    QVERIFY(!rs->Edit());
    QCOMPARE(rs->editMode(), TableRecordset::EditInProgress);
    QCOMPARE(rs->Value("Email").value.toString(), QStringLiteral("Ana@example.org"));
    QVERIFY(!rs->setValue("Email", "nova@example.org"));
    QVERIFY(!rs->Update());
    QCOMPARE(rs->Value("Email").value.toString(), QStringLiteral("nova@example.org"));

    const auto rows = testdb::query(m_path, "SELECT Nome, Email FROM tblQuelmar ORDER BY rowid");
    QCOMPARE(rows.at(0).at(1).toString(), QStringLiteral("nova@example.org"));
    QCOMPARE(rows.at(1).at(1).toString(), QStringLiteral("Bia@example.org"));
    QCOMPARE(rows.at(2).at(1).toString(), QStringLiteral("Ana@example.org"));

    // The walk goes on from the edited row.
    QVERIFY(!rs->MoveNext());
    QCOMPARE(rs->Value("Email").value.toString(), QStringLiteral("Ana@example.org"));
}

void TestTableRecordset::delete_removesOnlyCurrentRowAndWalkGoesOn()
{
    for (const char* n : {"Ana", "Bia", "Ana", "Caio"})
        testdb::insertContact(m_path, {n});
    TableRecordset* rs = open();
    QVERIFY(!rs->MoveNext()); // Bia
    QVERIFY(!rs->Delete());
    QVERIFY(!rs->hasCurrent());
    QCOMPARE(rs->Value("Nome").error.kind, StoreError::NoCurrentRecord);
    QCOMPARE(rs->Delete().kind, StoreError::NoCurrentRecord);
    QVERIFY(!rs->MoveNext());
    QCOMPARE(rs->Value("Nome").value.toString(), QStringLiteral("Ana"));
    QCOMPARE(testdb::storedNames(m_path), QStringList({"Ana", "Ana", "Caio"}));
}

void TestTableRecordset::seek_data()
{
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("foundRow"); // 1-based position in stored; 0: no match

    const QStringList some = {"Carla", "Ana Maria", "Ana", "Ana", "bia", "Élio"};
    QTest::newRow("exact") << some << "Carla" << 1;
    QTest::newRow("duplicates: first stored") << some << "Ana" << 3;
    QTest::newRow("prefix is no match") << some << "Ana M" << 0;
    QTest::newRow("case differs") << some << "Bia" << 0;
    QTest::newRow("accented") << some << "Élio" << 6;
    QTest::newRow("empty key") << some << "" << 0;
    QTest::newRow("past the last") << some << "Zé" << 0;
    QTest::newRow("empty table") << QStringList() << "Ana" << 0;
    QTest::newRow("quote in key") << QStringList({"O'Hara", "O"}) << "O'Hara" << 1;
    QTest::newRow("many alike, walked on past the first read")
        << QStringList(40, "Ana") + QStringList({"Bia"}) << "Ana" << 1;
}

void TestTableRecordset::seek()
{
    QFETCH(QStringList, stored);
    QFETCH(QString, key);
    QFETCH(int, foundRow);
    for (int i = 0; i < stored.size(); ++i)
        testdb::insertContact(m_path, {stored.at(i), QString::number(i + 1)});

    TableRecordset* rs = open();
    QVERIFY(!rs->setIndex(contact::NameIndex));
    QCOMPARE(rs->Index(), contact::NameIndex);
    QVERIFY(!rs->Seek(QStringLiteral("="), key));
    QCOMPARE(rs->NoMatch(), foundRow == 0);
    QCOMPARE(rs->hasCurrent(), foundRow != 0);
    if (!foundRow)
        return;
    QCOMPARE(rs->Value("Email").value.toString(), QString::number(foundRow));
    // The walk goes on from there to the last name.
    QStringList sorted = stored;
    std::sort(sorted.begin(), sorted.end());
    qsizetype walked = 0;
    for (; !rs->Eof(); ++walked)
        QVERIFY(!rs->MoveNext());
    QCOMPARE(walked, sorted.size() - sorted.indexOf(key));
}

void TestTableRecordset::seek_needsIndexChosenAfterRefresh()
{
    testdb::insertContact(m_path, {"Ana"});
    TableRecordset* rs = open();
    QCOMPARE(rs->Seek("=", "Ana").kind, StoreError::NoIndex);
    QVERIFY(!rs->setIndex(contact::NameIndex));
    QCOMPARE(rs->Seek(">=", "Ana").kind, StoreError::BadComparison);
    rs = open();
    QCOMPARE(rs->Index(), QString());
    QCOMPARE(rs->Seek("=", "Ana").kind, StoreError::NoIndex);
}

void TestTableRecordset::setIndex_unknownCarriesEngineText()
{
    testdb::query(m_path, QStringLiteral("DROP INDEX indNome"));
    TableRecordset* rs = open();
    const StoreError e = rs->setIndex(contact::NameIndex);
    QCOMPARE(e.kind, StoreError::Engine);
    QCOMPARE(e.text, QStringLiteral("no such index: indNome"));
    QCOMPARE(rs->Index(), QString());
}

void TestTableRecordset::refreshAndCloseAbandonPending()
{
    testdb::insertContact(m_path, {"Ana"});
    TableRecordset* rs = open();
    QVERIFY(!rs->AddNew());
    QVERIFY(!rs->setValue("Nome", "Pendente"));
    rs = open();
    QCOMPARE(rs->editMode(), TableRecordset::EditNone);
    QCOMPARE(rs->Value("Nome").value.toString(), QStringLiteral("Ana"));

    QVERIFY(!rs->Edit());
    QVERIFY(!rs->setValue("Nome", "Alterada"));
    rs->Close();
    QCOMPARE(rs->Update().kind, StoreError::Closed);
    QCOMPARE(rs->MoveFirst().kind, StoreError::Closed);
    QCOMPARE(testdb::storedNames(m_path), QStringList({"Ana"}));
}

void TestTableRecordset::operationsOutOfTurn_data()
{
    QTest::addColumn<QString>("steps"); // operations in order; the last one is refused
    QTest::addColumn<int>("refusal");
    QTest::newRow("update with nothing pending") << "update" << int(StoreError::NotEditing);
    QTest::newRow("write with nothing pending") << "set" << int(StoreError::NotEditing);
    QTest::newRow("edit while adding") << "addnew edit" << int(StoreError::AddPending);
    QTest::newRow("delete while adding") << "addnew delete" << int(StoreError::AddPending);
    QTest::newRow("edit past the end") << "last next edit" << int(StoreError::NoCurrentRecord);
    QTest::newRow("delete past the end") << "last next delete" << int(StoreError::NoCurrentRecord);
    QTest::newRow("edit after no match")
        << "index nomatch edit" << int(StoreError::NoCurrentRecord);
    QTest::newRow("unknown field") << "addnew badfield" << int(StoreError::NoSuchField);
}

void TestTableRecordset::operationsOutOfTurn()
{
    QFETCH(QString, steps);
    QFETCH(int, refusal);
    testdb::insertContact(m_path, {"Ana"});
    testdb::insertContact(m_path, {"Bia"});
    const QByteArray before = testdb::fileBytes(m_path);

    TableRecordset* rs = open();
    StoreError last;
    for (const QString& step : steps.split(' ')) {
        if (step == "update")
            last = rs->Update();
        else if (step == "set")
            last = rs->setValue("Nome", "X");
        else if (step == "addnew")
            last = rs->AddNew();
        else if (step == "edit")
            last = rs->Edit();
        else if (step == "delete")
            last = rs->Delete();
        else if (step == "last")
            last = rs->MoveNext();
        else if (step == "next")
            last = rs->MoveNext();
        else if (step == "index")
            last = rs->setIndex(contact::NameIndex);
        else if (step == "nomatch")
            last = rs->Seek("=", "Ninguém");
        else if (step == "badfield")
            last = rs->setValue("Apelido", "X");
    }
    QCOMPARE(int(last.kind), refusal);
    QVERIFY(!last.text.isEmpty());
    QCOMPARE(testdb::storedNames(m_path), QStringList({"Ana", "Bia"}));
    QCOMPARE(testdb::fileBytes(m_path), before);
}

void TestTableRecordset::refusedWrite_keepsPendingRow()
{
    testdb::query(m_path, QStringLiteral("CREATE TRIGGER recusa BEFORE INSERT ON tblQuelmar "
                                         "BEGIN SELECT RAISE(ABORT, 'gravação recusada'); END"));
    TableRecordset* rs = open();
    QVERIFY(!rs->AddNew());
    QVERIFY(!rs->setValue("Nome", "Ana"));
    const StoreError e = rs->Update();
    QCOMPARE(e.kind, StoreError::Engine);
    QCOMPARE(e.text, QStringLiteral("gravação recusada"));
    QCOMPARE(rs->editMode(), TableRecordset::EditAdd);
    QCOMPARE(rs->Value("Nome").value.toString(), QStringLiteral("Ana"));
    QCOMPARE(testdb::storedNames(m_path), QStringList());

    // Once the obstacle is gone the same pending row goes in.
    testdb::query(m_path, QStringLiteral("DROP TRIGGER recusa"));
    QVERIFY(!rs->Update());
    QCOMPARE(testdb::storedNames(m_path), QStringList({"Ana"}));
}

void TestTableRecordset::lockedFile_busyAfterTimeout()
{
    testdb::insertContact(m_path, {"Ana"});
    TableRecordset* rs = open();

    QVERIFY(!rs->Edit());
    QVERIFY(!rs->setValue("Nome", "Bia"));

    // Another program holds the file.
    QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
    other.setDatabaseName(m_path);
    QVERIFY(other.open());
    QSqlQuery lock(other);
    QVERIFY(lock.exec("BEGIN EXCLUSIVE"));

    const StoreError e = rs->Update();
    QCOMPARE(e.primaryCode(), int(StoreError::SqliteBusy));
    QVERIFY2(e.reason().contains(QStringLiteral("em uso por outro programa")),
             qPrintable(e.reason()));
    QCOMPARE(rs->editMode(), TableRecordset::EditInProgress);

    QVERIFY(lock.exec("ROLLBACK"));
    lock.finish();
    QVERIFY(!rs->Update());
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase("other");
    QCOMPARE(testdb::storedNames(m_path), QStringList({"Bia"}));
}

void TestTableRecordset::nullFieldReadsAsNull()
{
    testdb::insertContact(m_path, {"Ana"}); // the other sixteen are null
    TableRecordset* rs = open();
    const StoreResult<QVariant> email = rs->Value("Email");
    QVERIFY(!email.error);
    QVERIFY(email.value.isNull());
    QVERIFY(!rs->Value("Nome").value.isNull());
}

void TestTableRecordset::secondCopyGotThereFirst_data()
{
    QTest::addColumn<QString>("other"); // what the other copy did meanwhile
    QTest::addColumn<bool>("deleting"); // this copy deletes Ana, else saves a change
    QTest::addColumn<int>("refusal");   // StoreError::Kind, None: done
    for (const bool deleting : {false, true}) {
        const char* act = deleting ? "delete after they " : "save after they ";
        QTest::addRow("%schanged the row", act)
            << "change" << deleting << int(StoreError::ChangedElsewhere);
        QTest::addRow("%sdeleted the row", act) << "delete" << deleting << int(StoreError::RowGone);
        QTest::addRow("%sonly read it", act) << "read" << deleting << int(StoreError::None);
        QTest::addRow("%sadded a contact", act) << "add" << deleting << int(StoreError::None);
    }
}

// Two copies of the program on one file show Ana; the other copy acts first.
void TestTableRecordset::secondCopyGotThereFirst()
{
    QFETCH(QString, other);
    QFETCH(bool, deleting);
    QFETCH(int, refusal);
    testdb::insertContact(m_path, {"Ana", "ana@example.org"});
    TableRecordset* mine = open();
    QVERIFY(!mine->setIndex(contact::NameIndex));
    QVERIFY(!mine->Seek("=", "Ana"));
    QCOMPARE(mine->Value("Email").value.toString(), QStringLiteral("ana@example.org")); // shown
    DataControl theirs;
    theirs.setDatabaseName(m_path);
    theirs.setRecordSource(contact::TableName);
    QVERIFY(!theirs.Refresh());
    TableRecordset* rs = theirs.Recordset();
    if (other == "change" || other == "delete") {
        if (other == "delete") {
            QVERIFY(!rs->Delete());
        } else {
            QVERIFY(!rs->Edit());
            QVERIFY(!rs->setValue("Email", "deles@example.org"));
            QVERIFY(!rs->Update());
        }
    } else if (other == "add") {
        QVERIFY(!rs->AddNew());
        QVERIFY(!rs->setValue("Nome", "Bia"));
        QVERIFY(!rs->Update());
    }

    const auto emailsNow = [this] {
        return testdb::query(m_path, "SELECT Email FROM tblQuelmar WHERE Nome = 'Ana'");
    };
    if (deleting) {
        // Only the contact as it was shown is deleted.
        QCOMPARE(int(mine->Delete().kind), refusal);
        QCOMPARE(emailsNow().size(), other == "change" ? 1 : 0);
        return;
    }
    QVERIFY(!mine->Edit());
    QVERIFY(!mine->setValue("Email", "minha@example.org"));
    const StoreError e = mine->Update();
    QCOMPARE(int(e.kind), refusal);
    const auto emails = emailsNow();
    if (refusal == StoreError::None) {
        QCOMPARE(emails.at(0).at(0).toString(), QStringLiteral("minha@example.org"));
    } else {
        // Nothing written over theirs, and the typing kept for another try.
        QCOMPARE(emails.size(), other == "delete" ? 0 : 1);
        if (other == "change")
            QCOMPARE(emails.at(0).at(0).toString(), QStringLiteral("deles@example.org"));
        QCOMPARE(mine->editMode(), TableRecordset::EditInProgress);
        QCOMPARE(mine->Value("Email").value.toString(), QStringLiteral("minha@example.org"));
    }
}

void TestTableRecordset::fileGoneWhileOpen_data()
{
    QTest::addColumn<bool>("replaced"); // by another file, else just deleted
    QTest::newRow("deleted") << false;
    QTest::newRow("replaced") << true;
}

// The file is deleted or replaced under the open program: it says so, and
// writes into neither the old file nor the new one.
void TestTableRecordset::fileGoneWhileOpen()
{
    QFETCH(bool, replaced);
    testdb::insertContact(m_path, {"Ana"});
    TableRecordset* rs = open();
    QVERIFY(!rs->Edit());
    QVERIFY(!rs->setValue("Nome", "Bia"));
    const QString old = m_dir->filePath("antigo.mdb");
    QVERIFY(QFile::rename(m_path, old));
    if (replaced)
        testdb::createEmpty(m_path);
    const QByteArray oldBytes = testdb::fileBytes(old);

    const StoreError e = rs->Update();
    QCOMPARE(e.kind, StoreError::FileReplaced);
    QVERIFY(e.reason().startsWith("O arquivo do banco de dados foi removido ou substituído"));
    QCOMPARE(rs->Seek("=", "Ana").kind, StoreError::FileReplaced);
    QCOMPARE(rs->RecordCount().error.kind, StoreError::FileReplaced);
    QCOMPARE(testdb::fileBytes(old), oldBytes);
    if (replaced)
        QCOMPARE(testdb::storedNames(m_path), QStringList());
}

void TestTableRecordset::namesInOneGo_data()
{
    QTest::addColumn<QList<qint64>>("rowids"); // given to rows named after them
    QTest::addColumn<bool>("empty");
    QTest::addColumn<qint64>("room");
    QTest::newRow("empty") << QList<qint64>() << true << qint64(0);
    QTest::newRow("in stored order") << QList<qint64>({3, 1, 2}) << false << qint64(3);
    QTest::newRow("gaps and a null name") << QList<qint64>({-2, 0, 5}) << false << qint64(8);
    QTest::newRow("ids far apart") << QList<qint64>({1, qint64(1) << 40}) << false << qint64(0);
}

// The list's names in one statement: stored order, null names left out, and
// room for the rows known without counting them.
void TestTableRecordset::namesInOneGo()
{
    QFETCH(QList<qint64>, rowids);
    QFETCH(bool, empty);
    QFETCH(qint64, room);
    QStringList expected;
    for (const qint64 id : rowids) {
        const QVariant name = id == 0 ? QVariant() : QVariant(QString("Nome %1").arg(id));
        testdb::query(m_path, "INSERT INTO tblQuelmar (rowid, Nome) VALUES (?, ?)", {id, name});
    }
    std::sort(rowids.begin(), rowids.end());
    for (const qint64 id : rowids) {
        if (id != 0)
            expected << QString("Nome %1").arg(id);
    }
    TableRecordset* rs = open();
    const StoreResult<TableRecordset::Extent> extent = rs->extent();
    QVERIFY(!extent.error);
    QCOMPARE(extent.value.empty, empty);
    QCOMPARE(extent.value.room, room);
    const StoreResult<NameBlock> names = rs->columnTexts("Nome", extent.value.room);
    QVERIFY(!names.error);
    QCOMPARE(names.value.texts(), expected);
    QCOMPARE(rs->columnTexts("Apelido").error.kind, StoreError::NoSuchField);
}

// The list's names must be the ones the rows give when read one by one (a name
// from the list is sought as it is), however the stored bytes are made.
void TestTableRecordset::namesReadAsTheDriverReadsThem()
{
    const QStringList stored = {
        "4d61726961", "4a6fc3a36f", "f09f9880", "610062",   "c3a3a3", "80", "c3", "c0af",
        "eda080",     "efbfbe",     "f4908080", "f8888080", "e282",   "7a" // ASCII, accents, 4
                                                                           // bytes, NUL, damaged
    };
    for (const QString& hex : stored)
        testdb::query(
            m_path, QString("INSERT INTO tblQuelmar (Nome) VALUES (CAST(x'%1' AS TEXT))").arg(hex));
    QStringList expected;
    for (const QVariantList& row :
         testdb::query(m_path, "SELECT Nome FROM tblQuelmar ORDER BY rowid"))
        expected << row.value(0).toString();
    QCOMPARE(expected.size(), stored.size());
    StoreResult<NameBlock> read = open()->columnTexts("Nome", 0);
    QVERIFY(!read.error);
    const QStringList names = read.value.texts();
    QCOMPARE(names, expected);

    // Each name is a string of its own: changed, even as the last one left of
    // its read, it leaves the others as they are.
    QString changed = read.value.text(1);
    changed.append("!").prepend("¡");
    QCOMPARE(read.value.texts(), expected);
    QString last = read.value.text(0);
    read = {};
    last.append(QString(1000, 'x')).replace(0, 1, "W");
    QCOMPARE(last, "Waria" + QString(1000, 'x'));
    QCOMPARE(changed, "¡" + expected.at(1) + "!");
}

QTEST_GUILESS_MAIN(TestTableRecordset)
#include "tst_tablerecordset.moc"
