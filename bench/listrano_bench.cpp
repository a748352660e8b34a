// Measures, for 1,000, 10,000 and 100,000 generated contacts: Consultar filling
// the name list, a bare read of the same names (the floor), the worst keystroke
// completion (the only match is the last item), one seek, one save, and the peak
// resident memory.

#include "clalocadoura.h"
#include "contactrecord.h"
#include "database.h"
#include "frmquelmar.h"
#include "messagebox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>
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

QString generatedName(QRandomGenerator& random, int i)
{
    return QStringLiteral("%1 %2 %3 %4")
        .arg(QString::fromUtf8(FirstNames[random.bounded(int(std::size(FirstNames)))]),
             QString::fromUtf8(LastNames[random.bounded(int(std::size(LastNames)))]),
             QString::fromUtf8(LastNames[random.bounded(int(std::size(LastNames)))]))
        .arg(i);
}

QStringList fill(const QString& path, int count)
{
    QFile::remove(path);
    database::createEmpty(path);
    QRandomGenerator random(count);
    QStringList names;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "fill");
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("BEGIN"));
        QStringList marks;
        for (int f = 0; f < contact::FieldNames.size(); ++f)
            marks << QStringLiteral("?");
        q.prepare(QStringLiteral("INSERT INTO tblQuelmar (%1) VALUES (%2)")
                      .arg(contact::FieldNames.join(','), marks.join(',')));
        for (int i = 0; i < count; ++i) {
            const QString name = i == count - 1 ? LastName : generatedName(random, i);
            names << name;
            q.addBindValue(name);
            q.addBindValue(QStringLiteral("contato%1@example.com").arg(i));
            q.addBindValue(QStringLiteral("Rua das Palmeiras, %1").arg(i));
            q.addBindValue(QStringLiteral("Centro"));
            q.addBindValue(QStringLiteral("São Paulo"));
            q.addBindValue(QStringLiteral("SP"));
            q.addBindValue(QStringLiteral("01.310-100"));
            q.addBindValue(QStringLiteral("(11) 3333-4444"));
            q.addBindValue(QStringLiteral("(11) 9999-8888"));
            for (int f = 9; f < contact::FieldNames.size(); ++f)
                q.addBindValue(QStringLiteral(""));
            q.exec();
        }
        q.exec(QStringLiteral("COMMIT"));
        db.close();
    }
    QSqlDatabase::removeDatabase("fill");
    return names;
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
    const QString path = frmQuelmar::databasePath();
    const QStringList names = fill(path, count);

    // The best of three bare reads, so the floor is not flattered by a cold cache.
    double floor = 1e9;
    for (int i = 0; i < 3; ++i)
        floor = std::min(floor, bareRead(path));

    frmQuelmar window;
    window.Form_Load();
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

    DataControl& dat1 = window.dataControl();
    dat1.Refresh();
    TableRecordset* rs = dat1.Recordset();
    rs->setIndex(contact::NameIndex);
    QList<double> seeks;
    QRandomGenerator random(7);
    for (int i = 0; i < 100; ++i) {
        const QString& name = names.at(random.bounded(int(names.size())));
        QElapsedTimer timer;
        timer.start();
        rs->Seek(QStringLiteral("="), name);
        seeks << ms(timer.nsecsElapsed());
        if (rs->NoMatch())
            std::fprintf(stderr, "seek missed '%s'\n", qPrintable(name));
    }

    QList<double> saves;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer timer;
        timer.start();
        rs->AddNew();
        for (const QString& field : contact::FieldNames)
            rs->setValue(field, QStringLiteral("Novo contato %1").arg(i));
        if (StoreError e = rs->Update())
            std::fprintf(stderr, "save failed: %s\n", qPrintable(e.text));
        saves << ms(timer.nsecsElapsed());
    }

    std::printf("%9d | %10.1f | %10.1f | %6.2fx | %12.3f | %9.3f | %9.2f | %7.1f\n", count, lookup,
                floor, lookup / floor, median(keystrokes), median(seeks), median(saves),
                double(peakKilobytes()) / 1024.0);
    std::fflush(stdout);
    window.Form_Unload();
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MessageBox::setTestMode(true);

    std::printf(
        "contacts  | Consultar  | bare read  | ratio   | keystroke ms | seek ms   | save ms   | "
        "peak MB\n"
        "          | ms         | ms (floor) |         | (worst case) | (median)  | (median)  |\n");
    for (int count : {1000, 10000, 100000})
        run(count);
    QFile::remove(frmQuelmar::databasePath());
    return 0;
}
