// Child process for the durability test: saves contacts through the program's
// store and says so on standard output after each save has returned, then waits
// to be killed.

#include "contactrecord.h"
#include "datacontrol.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const int count = QString::fromLocal8Bit(argv[2]).toInt();
    DataControl dat1;
    dat1.setDatabaseName(QString::fromLocal8Bit(argv[1]));
    dat1.setRecordSource(contact::TableName);
    if (dat1.Refresh())
        return 1;
    TableRecordset* rs = dat1.Recordset();
    for (int i = 1; count == 0 || i <= count; ++i) {
        if (rs->AddNew())
            return 1;
        for (const QString& field : contact::FieldNames) {
            if (rs->setValue(field, QStringLiteral("%1 %2 ").arg(field).arg(i).repeated(20)))
                return 1;
        }
        if (rs->Update())
            return 1;
        std::printf("saved %d\n", i);
        std::fflush(stdout);
    }
    for (;;)
        QThread::sleep(60);
}
