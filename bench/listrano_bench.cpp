// Measures, for generated books of 1,000, 100,000 and 1,000,000 contacts (or the
// sizes --sizes gives): Consultar filling the name list, beside the engine's own
// read of the same names through SQLite's C API (the floor) and Qt's read; the
// worst keystroke completion (the only match is the last item), once the list's
// index is ready and while the list is still scanned; the seek of a name, exact
// and in other letters; a keystroke and a seek that only the name folded without
// accents and letter case finds; one save; what Consultar and the list's index
// add to the resident memory. The first Consultar, which takes its memory fresh, and how
// long the index takes to build, are in the table too, with what first touching
// memory costs on the machine. Then export and import at 100,000 and 1,000,000
// contacts (or the sizes --interchange-sizes gives), in CPU seconds beside the
// engine's own insert of the same rows and the reading of the files alone.

#include "clalocadoura.h"
#include "combolist.h"
#include "contactrecord.h"
#include "database.h"
#include "export.h"
#include "frmquelmar.h"
#include "heap.h"
#include "import.h"
#include "messagebox.h"
#include "typedcolumns.h"
#include "vcardread.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <malloc.h>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

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
// The last but one, the only name "conceicao" begins once accents and letter
// case are put aside; typed or sought that way, only the folded search finds it.
const QString FoldedName = QStringLiteral("Conceição Peçanha Derradeira");
const QString FoldedTyped = QStringLiteral("conceicao");
const QString FoldedSought = QStringLiteral(" conceicao pecanha DERRADEIRA ");

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
            const QString name = i == count - 1   ? LastName
                                 : i == count - 2 ? FoldedName
                                                  : generatedName(random, i);
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

// The names read through SQLite's own interface, as fast as the engine goes.
double engineRead(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    sqlite3* db = nullptr;
    qint64 bytes = 0;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT Nome FROM tblQuelmar", -1, &statement, nullptr) ==
            SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                sqlite3_column_text16(statement, 0);
                bytes += sqlite3_column_bytes16(statement, 0);
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    const double elapsed = ms(timer.nsecsElapsed());
    if (bytes == 0)
        std::fprintf(stderr, "the engine read no names\n");
    return elapsed;
}

// The same names read by the SQLite shell into nothing: the baseline the lookup
// is held to. -1 when the shell is not installed.
double shellRead(const QString& path)
{
    QProcess shell;
    shell.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    shell.start(QStringLiteral("sqlite3"), {path, QStringLiteral("SELECT Nome FROM tblQuelmar")});
    if (!shell.waitForFinished(60000) || shell.exitStatus() != QProcess::NormalExit ||
        shell.exitCode() != 0)
        return -1;
    return ms(timer.nsecsElapsed());
}

// CPU time used so far, user and system: by the calling thread, or by the whole
// process (every thread, the index builders too).
double cpuMs(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Lets the list's index finish building; false when it takes too long.
bool waitForIndex(QComboBox* combo)
{
    QElapsedTimer timer;
    timer.start();
    while (!combolist::searchIndexReady(combo) && timer.elapsed() < 30000) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return combolist::searchIndexReady(combo);
}

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct Figures {
    int contacts = 0;
    double consultar = 0, engine = 0, qt = 0, keystroke = 0, keystrokeScan = 0, seek = 0,
           listSeek = 0, caseSeek = 0, save = 0, rss = 0, firstConsultar = 0, indexBuild = 0,
           foldedKeystroke = 0, foldedKeystrokeScan = 0, foldedSeek = 0, shell = 0,
           consultarCpu = 0, processCpuUnchanged = 0, processCpuAfterSave = 0;
};

// The median time of the worst keystroke: the only match is the list's last item.
double worstKeystroke(QComboBox* cboNome)
{
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
    return median(keystrokes);
}

// The median time of a keystroke only the folded search completes: the field
// holds "conceica", and "o" is typed.
double foldedKeystroke(QComboBox* cboNome)
{
    QList<double> keystrokes;
    for (int i = 0; i < 50; ++i) {
        cboNome->setCurrentIndex(-1);
        cboNome->setEditText(FoldedTyped.chopped(1));
        cboNome->lineEdit()->setCursorPosition(int(FoldedTyped.size()) - 1);
        QKeyEvent key(QEvent::KeyPress, Qt::Key_O, Qt::NoModifier, QStringLiteral("o"));
        QElapsedTimer timer;
        timer.start();
        QApplication::sendEvent(cboNome, &key);
        keystrokes << ms(timer.nsecsElapsed());
    }
    if (cboNome->currentText() != FoldedName ||
        cboNome->lineEdit()->selectionStart() != FoldedTyped.size())
        std::fprintf(stderr, "folded completion gave '%s'\n", qPrintable(cboNome->currentText()));
    return median(keystrokes);
}

Figures run(int count)
{
    Figures f;
    f.contacts = count;
    const QString path = databasePath();
    const QStringList names = fill(path, count);

    // The best of three reads each, so the floors are not flattered by a cold cache.
    f.engine = f.qt = f.shell = 1e9;
    for (int i = 0; i < 3; ++i) {
        f.engine = std::min(f.engine, engineRead(path));
        f.qt = std::min(f.qt, bareRead(path));
        f.shell = std::min(f.shell, shellRead(path));
    }

    frmQuelmar window;
    require(window.Form_Load(path), "opening the database");
    window.show();
    auto* cboNome = window.findChild<QComboBox*>(QStringLiteral("cboNome"));
    auto* consultar = window.findChild<QAbstractButton*>(QStringLiteral("cmdConsultar"));

    // What the first Consultar and the list's index add to the process, with
    // the memory freed so far handed back first, so that none of it is reused
    // unseen. (Handed back, that memory costs faults again when reused, so the
    // first two Consultars take fresh memory; the best of five is the figure.)
    malloc_trim(0);
    const double before = residentMegabytes();
    // A commit by another connection that changes nothing, so that the next
    // Consultar reads the names and builds the index anew rather than keeping them.
    const auto touch = [&path] {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "touch");
            db.setDatabaseName(path);
            requireSql(db.open(), db.lastError(), "opening the database to touch it");
            QSqlQuery q(db);
            requireSql(q.exec(QStringLiteral("UPDATE tblQuelmar SET Nome = Nome WHERE rowid = "
                                             "(SELECT min(rowid) FROM tblQuelmar)")),
                       q.lastError(), "touching the table");
            db.close();
        }
        QSqlDatabase::removeDatabase("touch");
    };
    f.consultar = f.consultarCpu = 1e9;
    for (int i = 0; i < 5; ++i) {
        // Each time alone, as a person clicks: the index of the click before
        // is built by then.
        waitForIndex(cboNome);
        if (i > 0)
            touch();
        QElapsedTimer timer;
        const double cpu = cpuMs(RUSAGE_THREAD);
        timer.start();
        consultar->click();
        f.consultar = std::min(f.consultar, ms(timer.nsecsElapsed()));
        f.consultarCpu = std::min(f.consultarCpu, cpuMs(RUSAGE_THREAD) - cpu);
        if (i == 0) {
            f.firstConsultar = f.consultar;
            timer.restart();
            if (!waitForIndex(cboNome) && count >= 10000)
                std::fprintf(stderr, "the list's index was not ready\n");
            f.indexBuild = ms(timer.nsecsElapsed());
            f.rss = residentMegabytes() - before;
        }
    }
    if (cboNome->count() != count)
        std::fprintf(stderr, "list holds %d names, not %d\n", int(cboNome->count()), count);

    // The whole process's CPU for one Consultar, its background work included:
    // with the table as the Consultar before left it, and after one save.
    const auto processCpu = [&] {
        waitForIndex(cboNome);
        const double cpu = cpuMs(RUSAGE_SELF);
        consultar->click();
        waitForIndex(cboNome);
        return cpuMs(RUSAGE_SELF) - cpu;
    };
    f.processCpuUnchanged = processCpu();
    {
        TableRecordset* saving = window.dataControl().Recordset();
        require(saving->AddNew(), "adding");
        require(saving->setValue(contact::column(contact::Nome), QStringLiteral("Contato Novo")),
                "setting the name");
        require(saving->Update(), "saving");
    }
    f.processCpuAfterSave = processCpu();

    // (The list's focus handler attaches the completion; offscreen the window
    // never takes the focus, so attach it here.)
    window.searchHelper()->AttachTo(cboNome);
    waitForIndex(cboNome);
    f.keystroke = worstKeystroke(cboNome);
    f.foldedKeystroke = foldedKeystroke(cboNome);
    combolist::setSearchIndexing(cboNome, false);
    f.keystrokeScan = worstKeystroke(cboNome);
    f.foldedKeystrokeScan = foldedKeystroke(cboNome);
    combolist::setSearchIndexing(cboNome, true);

    // A name given in other letters: the exact seek fails, the list is searched
    // letter case aside, and the stored spelling is sought.
    QList<double> caseSeeks;
    auto* txtNome = window.findChild<QLineEdit*>(QStringLiteral("txtNome"));
    for (int i = 0; i < 10; ++i) {
        consultar->click();
        waitForIndex(cboNome);
        cboNome->setEditText(LastName.toUpper());
        QElapsedTimer timer;
        timer.start();
        window.cboNome_LostFocus();
        caseSeeks << ms(timer.nsecsElapsed());
    }
    f.caseSeek = median(caseSeeks);
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
    f.seek = median(seeks);

    // The seek as the lookup makes it, without the window around it: a name in
    // other letters (exact seek, then the list searched letter case aside, then
    // the stored spelling) and the last of equal names (its place among them in
    // the list, then the seek and the walk to it).
    consultar->click();
    waitForIndex(cboNome);
    require(dat1.Refresh(), "refreshing");
    rs = dat1.Recordset();
    require(rs->setIndex(contact::NameIndex), "choosing the index");
    const QString common = names.at(0);
    const int lastCommon = combolist::nthEqual(cboNome, common, int(names.count(common)) - 1);
    QList<double> listSeeks;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer timer;
        timer.start();
        require(rs->Seek(QStringLiteral("="), LastName.toUpper()), "seeking");
        const int found = combolist::find(cboNome, -1, LastName.toUpper(), true);
        require(rs->Seek(QStringLiteral("="), cboNome->itemText(found)), "seeking");
        const int nth = combolist::occurrence(cboNome, lastCommon);
        require(rs->Seek(QStringLiteral("="), common), "seeking");
        for (int n = 0; n < nth; ++n)
            require(rs->MoveNext(), "walking");
        listSeeks << ms(timer.nsecsElapsed());
        if (rs->NoMatch() || found < 0)
            std::fprintf(stderr, "the lookup's seek missed\n");
    }
    f.listSeek = median(listSeeks);

    // A name given without its accents, in other letters, with blanks around it:
    // the exact seek fails, the list gives the item it stands for, and its stored
    // spelling is sought.
    QList<double> foldedSeeks;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer timer;
        timer.start();
        require(rs->Seek(QStringLiteral("="), FoldedSought), "seeking");
        const int found = rs->NoMatch() ? combolist::findLoosely(cboNome, -1, FoldedSought) : -1;
        if (found >= 0)
            require(rs->Seek(QStringLiteral("="), cboNome->itemText(found)), "seeking");
        foldedSeeks << ms(timer.nsecsElapsed());
        if (found < 0 || rs->NoMatch() || cboNome->itemText(found) != FoldedName)
            std::fprintf(stderr, "the seek of a name without its accents missed\n");
    }
    f.foldedSeek = median(foldedSeeks);

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
    f.save = median(saves);
    window.Form_Unload();

    std::printf("contacts=%d consultar_ms=%.1f consultar_cpu_ms=%.1f shell_read_ms=%.1f "
                "engine_read_ms=%.1f qt_read_ms=%.1f process_cpu_unchanged_ms=%.1f "
                "process_cpu_after_save_ms=%.1f keystroke_worst_ms=%.3f keystroke_folded_ms=%.3f "
                "seek_ms=%.3f seek_folded_ms=%.3f consultar_rss_mb=%.1f\n",
                f.contacts, f.consultar, f.consultarCpu, f.shell, f.engine, f.qt,
                f.processCpuUnchanged, f.processCpuAfterSave, f.keystroke, f.foldedKeystroke,
                f.listSeek, f.foldedSeek, f.rss);
    std::fflush(stdout);
    return f;
}

// What this machine charges for memory the process touches for the first time:
// the first Consultar of a session takes all its memory fresh.
double freshMemoryMs()
{
    constexpr size_t Size = 64 << 20;
    void* memory = mmap(nullptr, Size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return 0;
    QElapsedTimer timer;
    timer.start();
    for (size_t at = 0; at < Size; at += 4096)
        static_cast<volatile char*>(memory)[at] = 1;
    const double elapsed = ms(timer.nsecsElapsed());
    munmap(memory, Size);
    return elapsed;
}

void printTable(const QList<Figures>& all)
{
    std::printf("\ncontacts  | Consultar | Consultar | shell   | engine  | Qt read | CPU to   | "
                "process CPU ms    | first     | index    | "
                "keystroke ms    | folded keystroke "
                "| seek ms | seek ms    | window ms  | seek ms | save ms | Consultar\n"
                "          | ms        | CPU ms    | read ms | read ms | ms      | shell    | "
                "same    | saved   | Consultar | built ms | "
                "index  | scan   | index  | scan    "
                "| exact   | other case | other case | folded  | median  | adds MB\n");
    for (const Figures& f : all)
        std::printf(
            "%9d | %9.1f | %9.1f | %7.1f | %7.1f | %7.1f | %7.2fx | %7.1f | %7.1f | %9.1f | "
            "%8.0f | %6.3f | %6.3f | %6.3f | "
            "%7.3f | %7.3f | %10.3f | %10.3f | %7.3f | %7.2f | %7.1f\n",
            f.contacts, f.consultar, f.consultarCpu, f.shell, f.engine, f.qt,
            f.consultarCpu / f.shell, f.processCpuUnchanged, f.processCpuAfterSave,
            f.firstConsultar, f.indexBuild, f.keystroke, f.keystrokeScan, f.foldedKeystroke,
            f.foldedKeystrokeScan, f.seek, f.listSeek, f.caseSeek, f.foldedSeek, f.save, f.rss);
    std::printf("peak MB of the whole run: %.1f\n", double(peakKilobytes()) / 1024.0);
    std::printf("first touch of 64 MB of fresh memory: %.0f ms\n", freshMemoryMs());
    std::fflush(stdout);
}

} // namespace

// CPU seconds the process has used so far.
double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The engine's floor for an import: the contacts of the book at source put into
// a new book at target (with its name index) through SQLite's C API, one
// prepared INSERT in one transaction, nothing parsed or looked up. The rows are
// read in batches whose reading is not counted; CPU seconds of the inserts.
double engineInsert(const QString& source, const QString& target)
{
    QFile::remove(target);
    require(database::createEmpty(target), "creating the database for the floor");
    sqlite3* from = nullptr;
    sqlite3* to = nullptr;
    sqlite3_stmt* read = nullptr;
    sqlite3_stmt* insert = nullptr;
    const QByteArray columns = contact::FieldNames.join(',').toUtf8();
    const QStringList marks(contact::FieldCount, QStringLiteral("?"));
    bool ok = sqlite3_open_v2(QFile::encodeName(source).constData(), &from, SQLITE_OPEN_READONLY,
                              nullptr) == SQLITE_OK &&
              sqlite3_open_v2(QFile::encodeName(target).constData(), &to, SQLITE_OPEN_READWRITE,
                              nullptr) == SQLITE_OK &&
              sqlite3_prepare_v2(from, "SELECT " + columns + " FROM tblQuelmar ORDER BY rowid", -1,
                                 &read, nullptr) == SQLITE_OK &&
              sqlite3_prepare_v2(to,
                                 "INSERT INTO tblQuelmar (" + columns + ") VALUES (" +
                                     marks.join(',').toUtf8() + ")",
                                 -1, &insert, nullptr) == SQLITE_OK;
    double cpu = 0;
    double begun = cpuSeconds();
    ok = ok && sqlite3_exec(to, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    cpu += cpuSeconds() - begun;
    constexpr int Batch = 10000;
    std::vector<std::string> values;
    values.reserve(size_t(Batch) * contact::FieldCount);
    bool more = true;
    while (ok && more) {
        values.clear();
        while (values.size() < size_t(Batch) * contact::FieldCount &&
               (more = sqlite3_step(read) == SQLITE_ROW)) {
            for (int f = 0; f < contact::FieldCount; ++f) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(read, f));
                values.emplace_back(text ? text : "");
            }
        }
        begun = cpuSeconds();
        for (size_t at = 0; ok && at < values.size(); at += contact::FieldCount) {
            for (int f = 0; f < contact::FieldCount; ++f) {
                const std::string& value = values[at + f];
                sqlite3_bind_text(insert, f + 1, value.data(), int(value.size()), SQLITE_STATIC);
            }
            ok = sqlite3_step(insert) == SQLITE_DONE && sqlite3_reset(insert) == SQLITE_OK;
        }
        cpu += cpuSeconds() - begun;
    }
    begun = cpuSeconds();
    ok = ok && sqlite3_exec(to, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    cpu += cpuSeconds() - begun;
    if (!ok)
        std::fprintf(stderr, "the engine's insert failed: %s\n", to ? sqlite3_errmsg(to) : "");
    sqlite3_finalize(read);
    sqlite3_finalize(insert);
    sqlite3_close(from);
    sqlite3_close(to);
    QFile::remove(target);
    return cpu;
}

// The file at path read through our reader and made records, as an import
// does, with no database; CPU seconds.
double parseAlone(const QString& path, int expected)
{
    const double begun = cpuSeconds();
    QString text;
    {
        QFile file(path);
        require(file.open(QIODevice::ReadOnly) ? StoreError()
                                               : StoreError::make(StoreError::Io, path),
                "reading the exported file");
        bool decoded = false;
        text = interchange::decodeText(file.readAll(), &decoded);
    }
    std::optional<interchange::OwnColumns> own;
    QList<int> fields;
    qint64 records = 0;
    const auto sink = [&](const QStringList& cells, int) {
        if (!own) {
            own.emplace(cells);
            fields = interchange::fieldsOf(own->header());
            return true;
        }
        QStringList row = cells;
        own->extend(row);
        QStringList leftOut;
        const contact::Record record = interchange::contactOf(fields, row, &leftOut);
        records += record[contact::Nome].isEmpty() ? 0 : 1;
        return true;
    };
    if (text.startsWith(QStringLiteral("BEGIN:VCARD")))
        interchange::readVCards(text, sink);
    else
        interchange::readCsv(text, sink);
    const double cpu = cpuSeconds() - begun;
    if (records != expected)
        std::fprintf(stderr, "parsed %lld of %d\n", records, expected);
    return cpu;
}

// Contacts in and out at count contacts: export to CSV and vCard, import of both
// into a fresh book (its name index and the duplicate check, as a first
// import), beside the floors of a bare SQLite bulk insert through Qt (the fill),
// a bare read of every column, the engine's own insert of the same rows through
// its C API, and the reading of each file alone into records.
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
        qint64 rows = 0;
        while (q.next()) {
            QStringList row;
            for (int f = 0; f < contact::FieldCount; ++f)
                row << q.value(f).toString();
            ++rows;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("bareall");
    const double readFloor = ms(timer.nsecsElapsed());

    const QString folder = QCoreApplication::applicationDirPath();
    const QString fresh = folder + QStringLiteral("/importado.mdb");
    const double engineFloor = engineInsert(path, fresh);
    std::printf("\n%9d contacts      | ms      | CPU s   | x floor |\n", count);
    std::printf("bulk insert (Qt)        | %7.0f |         |         |\n"
                "read all (Qt)           | %7.0f |         |         |\n"
                "insert (engine, floor)  |         | %7.2f |         |\n",
                insertFloor, readFloor, engineFloor);
    for (const char* suffix : {".csv", ".vcf"}) {
        const QString file = folder + QStringLiteral("/contatos") + QLatin1String(suffix);
        QFile::remove(file);
        interchange::Format format;
        interchange::formatOf(file, &format);
        timer.restart();
        const StoreResult<qint64> written = interchange::exportContacts(path, file, format);
        require(written.error, "exporting");
        const double exported = ms(timer.nsecsElapsed());

        const double parsed = parseAlone(file, count);

        QFile::remove(fresh);
        require(database::createEmpty(fresh), "creating the database to import into");
        timer.restart();
        const double begun = cpuSeconds();
        const interchange::ImportSummary summary = interchange::importFile(fresh, file);
        const double importCpu = cpuSeconds() - begun;
        require(summary.error, "importing");
        const double imported = ms(timer.nsecsElapsed());
        if (summary.imported != count)
            std::fprintf(stderr, "imported %lld of %d\n", summary.imported, count);
        std::printf("export %s              | %7.0f |         |         |\n"
                    "parse %s alone         |         | %7.2f |         |\n"
                    "import %s              | %7.0f | %7.2f | %6.2fx |\n",
                    suffix + 1, exported, suffix + 1, parsed, suffix + 1, imported, importCpu,
                    importCpu / engineFloor);
        std::fflush(stdout);
        QFile::remove(file);
        QFile::remove(fresh);
    }
    std::printf("peak MB so far          | %7.1f |\n", double(peakKilobytes()) / 1024.0);
    std::fflush(stdout);
}

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    growHeapInLargeSteps(); // as the program does
    QApplication app(argc, argv);
    MessageBox::setTestMode(true);

    QList<int> sizes = {1000, 100000, 1000000};
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype given = arguments.indexOf(QStringLiteral("--sizes"));
    if (given > 0 && given + 1 < arguments.size()) {
        sizes.clear();
        for (const QString& size : arguments.at(given + 1).split(u','))
            sizes << size.toInt();
    }
    // The sizes of export and import: --interchange-sizes 100000 leaves out the
    // 1,000,000 of a full run, 0 leaves out the part.
    QList<int> interchangeSizes = {100000, 1000000};
    const qsizetype givenInterchange = arguments.indexOf(QStringLiteral("--interchange-sizes"));
    if (givenInterchange > 0 && givenInterchange + 1 < arguments.size()) {
        interchangeSizes.clear();
        for (const QString& size : arguments.at(givenInterchange + 1).split(u','))
            interchangeSizes << size.toInt();
    }
    QList<Figures> all;
    for (const int count : sizes) {
        if (count > 0)
            all << run(count);
    }
    printTable(all);
    for (const int count : interchangeSizes) {
        if (count > 0)
            interchangeRun(count);
    }
    QFile::remove(databasePath());
    return 0;
}
