// Measures, for 1,000, 10,000 and 100,000 generated contacts: Consultar filling
// the name list, a bare read of the same names (the floor), the worst keystroke
// completion (the only match is the last item), one seek, one save, and the peak
// resident memory.

#include "clalocadoura.h"
#include "contactrecord.h"
#include "database.h"
#include "export.h"
#include "frmquelmar.h"
#include "import.h"
#include "messagebox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

const char* const FirstNames[] = {"Ana",      "Bruno",  "Carla",  "Daniel", "Eduarda", "Fábio",
                                  "Gabriela", "Hugo",   "Isabel", "João",   "Karina",  "Lucas",
                                  "Maria",    "Nelson", "Otávio", "Paula",  "Rafael",  "Sônia",
                                  "Tiago",    "Úrsula", "Vítor",  "Wagner"};
const char* const LastNames[] = {"Silva",    "Santos",  "Oliveira", "Souza",    "Rodrigues",
                                 "Ferreira", "Alves",   "Pereira",  "Lima",     "Gomes",
                                 "Costa",    "Ribeiro", "Martins",  "Carvalho", "Araújo"};
// No generated name begins with this letter but the last one.
const QString LastName = QStringLiteral("Zuleica Derradeira");

// The benchmark cannot go on without its set-up: says why and stops.
void require(const StoreError& error, const char* step)
{
    if (!error)
        return;
    std::fprintf(stderr, "%s failed: %s\n", step, qPrintable(error.text));
    std::exit(1);
}

QString generatedName(QRandomGenerator& random, int i)
{
    return QStringLiteral("%1 %2 %3 %4")
        .arg(QString::fromUtf8(FirstNames[random.bounded(int(std::size(FirstNames)))]),
             QString::fromUtf8(LastNames[random.bounded(int(std::size(LastNames)))]),
             QString::fromUtf8(LastNames[random.bounded(int(std::size(LastNames)))]))
        .arg(i);
}

void requireSql(bool ok, const QSqlError& error, const char* step)
{
    if (!ok)
        require(StoreError::fromSql(error), step);
}

QStringList fill(const QString& path, int count)
{
    using namespace contact;
    QFile::remove(path);
    require(database::createEmpty(path), "creating the database");
    QRandomGenerator random(count);
    QStringList names;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "fill");
        db.setDatabaseName(path);
        requireSql(db.open(), db.lastError(), "opening the database to fill it");
        QSqlQuery q(db);
        requireSql(q.exec(QStringLiteral("BEGIN")), q.lastError(), "filling");
        const QStringList marks(FieldCount, QStringLiteral("?"));
        requireSql(q.prepare(QStringLiteral("INSERT INTO tblQuelmar (%1) VALUES (%2)")
                                 .arg(FieldNames.join(','), marks.join(','))),
                   q.lastError(), "filling");
        for (int i = 0; i < count; ++i) {
            const QString name = i == count - 1 ? LastName : generatedName(random, i);
            names << name;
            Record contact;
            contact[Nome] = name;
            contact[Email] = QStringLiteral("contato%1@example.com").arg(i);
            contact[EndRes] = QStringLiteral("Rua das Palmeiras, %1").arg(i);
            contact[BairroRes] = QStringLiteral("Centro");
            contact[CidadeRes] = QStringLiteral("São Paulo");
            contact[UfRes] = QStringLiteral("SP");
            contact[CepRes] = QStringLiteral("01.310-100");
            contact[FoneRes] = QStringLiteral("(11) 3333-4444");
            contact[CelularRes] = QStringLiteral("(11) 9999-8888");
            for (const Field field : recordOrder())
                q.addBindValue(contact[field].isNull() ? QStringLiteral("") : contact[field]);
            requireSql(q.exec(), q.lastError(), "filling");
        }
        requireSql(q.exec(QStringLiteral("COMMIT")), q.lastError(), "filling");
        db.close();
    }
    QSqlDatabase::removeDatabase("fill");
    return names;
}

// A database of the benchmark's own, beside it.
QString databasePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/bench.mdb");
}

double ms(qint64 nanoseconds)
{
    return double(nanoseconds) / 1e6;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

double bareRead(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "bare");
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.exec(QStringLiteral("SELECT Nome FROM tblQuelmar"));
        QStringList names;
        while (q.next())
            names << q.value(0).toString();
        db.close();
    }
    const qint64 elapsed = timer.nsecsElapsed();
    QSqlDatabase::removeDatabase("bare");
    return ms(elapsed);
}

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void run(int count)
{
    const QString path = databasePath();
    const QStringList names = fill(path, count);

    // The best of three bare reads, so the floor is not flattered by a cold cache.
    double floor = 1e9;
    for (int i = 0; i < 3; ++i)
        floor = std::min(floor, bareRead(path));

    frmQuelmar window;
    require(window.Form_Load(path), "opening the database");
    window.show();
    auto* cboNome = window.findChild<QComboBox*>(QStringLiteral("cboNome"));
    auto* consultar = window.findChild<QAbstractButton*>(QStringLiteral("cmdConsultar"));

    double lookup = 1e9;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        consultar->click();
        lookup = std::min(lookup, ms(timer.nsecsElapsed()));
    }
    if (cboNome->count() != count)
        std::fprintf(stderr, "list holds %d names, not %d\n", int(cboNome->count()), count);

    // The worst keystroke: the search runs the whole list to its last item. (The
    // list's focus handler attaches the completion; offscreen the window never
    // takes the focus, so attach it here.)
    window.searchHelper()->AttachTo(cboNome);
    QList<double> keystrokes;
    for (int i = 0; i < 50; ++i) {
        cboNome->setCurrentIndex(-1);
        cboNome->setEditText(QString());
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, QStringLiteral("z"));
        QElapsedTimer timer;
        timer.start();
        QApplication::sendEvent(cboNome, &key);
        keystrokes << ms(timer.nsecsElapsed());
    }
    if (cboNome->currentText() != LastName)
        std::fprintf(stderr, "completion gave '%s'\n", qPrintable(cboNome->currentText()));

    // A name given in other letters: the exact seek fails, the list is searched
    // letter case aside to its last item, and the stored spelling is sought.
    QList<double> caseSeeks;
    auto* txtNome = window.findChild<QLineEdit*>(QStringLiteral("txtNome"));
    for (int i = 0; i < 10; ++i) {
        consultar->click();
        cboNome->setEditText(LastName.toUpper());
        QElapsedTimer timer;
        timer.start();
        window.cboNome_LostFocus();
        caseSeeks << ms(timer.nsecsElapsed());
    }
    if (txtNome->text() != LastName)
        std::fprintf(stderr, "seek in other letters gave '%s'\n", qPrintable(txtNome->text()));

    DataControl& dat1 = window.dataControl();
    require(dat1.Refresh(), "refreshing");
    TableRecordset* rs = dat1.Recordset();
    require(rs->setIndex(contact::NameIndex), "choosing the index");
    QList<double> seeks;
    QRandomGenerator random(7);
    for (int i = 0; i < 100; ++i) {
        const QString& name = names.at(random.bounded(int(names.size())));
        QElapsedTimer timer;
        timer.start();
        require(rs->Seek(QStringLiteral("="), name), "seeking");
        seeks << ms(timer.nsecsElapsed());
        if (rs->NoMatch())
            std::fprintf(stderr, "seek missed '%s'\n", qPrintable(name));
    }

    QList<double> saves;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer timer;
        timer.start();
        require(rs->AddNew(), "adding");
        for (const QString& field : contact::FieldNames)
            require(rs->setValue(field, QStringLiteral("Novo contato %1").arg(i)),
                    "setting a field");
        require(rs->Update(), "saving");
        saves << ms(timer.nsecsElapsed());
    }

    std::printf("%9d | %10.1f | %10.1f | %6.2fx | %12.3f | %9.3f | %9.3f | %9.2f | %7.1f\n", count,
                lookup, floor, lookup / floor, median(keystrokes), median(seeks), median(caseSeeks),
                median(saves), double(peakKilobytes()) / 1024.0);
    std::fflush(stdout);
    window.Form_Unload();
}

} // namespace

// Contacts in and out at count contacts: export to CSV and vCard, import of both
// into a fresh book, beside the floors of a bare SQLite bulk insert (the fill)
// and a bare read of every column.
void interchangeRun(int count)
{
    const QString path = databasePath();
    QElapsedTimer timer;
    timer.start();
    fill(path, count);
    const double insertFloor = ms(timer.nsecsElapsed());

    timer.restart();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "bareall");
        db.setDatabaseName(path);
        requireSql(db.open(), db.lastError(), "opening the database to read it");
        QSqlQuery q(db);
        q.setForwardOnly(true);
        requireSql(
            q.exec(QStringLiteral("SELECT %1 FROM tblQuelmar").arg(contact::FieldNames.join(','))),
            q.lastError(), "reading");
        QList<QStringList> rows;
        while (q.next()) {
            QStringList row;
            for (int f = 0; f < contact::FieldCount; ++f)
                row << q.value(f).toString();
            rows << row;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("bareall");
    const double readFloor = ms(timer.nsecsElapsed());

    const QString folder = QCoreApplication::applicationDirPath();
    std::printf("\n%9d contacts | ms      |\n", count);
    std::printf("bulk insert (floor) | %7.0f |\nread all (floor)    | %7.0f |\n", insertFloor,
                readFloor);
    for (const char* suffix : {".csv", ".vcf"}) {
        const QString file = folder + QStringLiteral("/contatos") + QLatin1String(suffix);
        QFile::remove(file);
        interchange::Format format;
        interchange::formatOf(file, &format);
        timer.restart();
        const StoreResult<qint64> written = interchange::exportContacts(path, file, format);
        require(written.error, "exporting");
        const double exported = ms(timer.nsecsElapsed());

        const QString fresh = folder + QStringLiteral("/importado.mdb");
        QFile::remove(fresh);
        require(database::createEmpty(fresh), "creating the database to import into");
        timer.restart();
        const interchange::ImportSummary summary = interchange::importFile(fresh, file);
        require(summary.error, "importing");
        const double imported = ms(timer.nsecsElapsed());
        if (summary.imported != count)
            std::fprintf(stderr, "imported %lld of %d\n", summary.imported, count);
        std::printf("export %s          | %7.0f |\nimport %s          | %7.0f |\n", suffix + 1,
                    exported, suffix + 1, imported);
        QFile::remove(file);
        QFile::remove(fresh);
    }
    std::printf("peak MB             | %7.1f |\n", double(peakKilobytes()) / 1024.0);
}

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MessageBox::setTestMode(true);

    std::printf(
        "contacts  | Consultar  | bare read  | ratio   | keystroke ms | seek ms   | seek ms   | "
        "save ms   | peak MB\n"
        "          | ms         | ms (floor) |         | (worst case) | (median)  | other case| "
        "(median)  |\n");
    for (int count : {1000, 10000, 100000})
        run(count);
    interchangeRun(100000);
    QFile::remove(databasePath());
    return 0;
}
